#include <QApplication>
#include <QMainWindow>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Plikora"));
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Plikora"));
    window.resize(640, 420);
    window.show();
    return QApplication::exec();
}
