// Grabs the program's windows for the help: one picture a window, named after its help
// page, into the folder given (resources/help/pictures). scripts/help-pictures runs it.
#include "engine/EnvPrint.h"
#include "integrations/clipart/ClipArtGallery.h"
#include "integrations/clipart/SelectClipArt.h"
#include "platform/RichEdit.h"
#include "support/ProgramWindows.h"
#include "support/RichTextTestApp.h"
#include "ui/main/MainForm.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QListWidget>
#include <QPixmap>
#include <QTemporaryDir>
#include <QWidget>

#include <cstdio>

int main(int argc, char *argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: plikora-help-pictures FOLDER\n");
        return 2;
    }
    EnsureRichTextTestApp();
    const QDir out(QString::fromLocal8Bit(argv[1]));
    QTemporaryDir settings;
    int failed = 0;
    // The clip-art picker shows the tests' small library.
    StartClipArt({QStringLiteral(PLIKORA_TEST_DATA "/clipart"), {}});
    {
        TProgramWindows program(settings.path());
        for (const TProgramWindows::Window &window : program.Windows()) {
            // Examples make the pictures speak.
            if (auto *form = qobject_cast<TFormStampMain *>(window.Widget))
                form->RichEditDestination->SetText("Jane Doe\n1 Elm St\nSpringfield, IL 62704");
            if (auto *print = qobject_cast<TDlgEnvelopePrint *>(window.Widget))
                print->SetAddressCaptions({"Jane Doe", "John Smith", "Acme Supply Co."});
            window.Widget->show();
            if (auto *clips = dynamic_cast<TFormChooseClipArt *>(window.Widget)) {
                clips->Search(QString());
                for (int i = 0; i < 20; ++i)
                    QApplication::processEvents();
                clips->ListClips->setCurrentRow(0);
            }
            for (int i = 0; i < 5; ++i)
                QApplication::processEvents();
            // Few colours: the pictures stay small in the repository.
            const QImage picture = window.Widget->grab().toImage().convertToFormat(
                QImage::Format_Indexed8, Qt::ThresholdDither | Qt::AvoidDither);
            const QString path = out.filePath(window.Page + ".png");
            if (!picture.save(path)) {
                std::fprintf(stderr, "plikora-help-pictures: cannot write %s\n", qPrintable(path));
                ++failed;
            }
            window.Widget->hide();
        }
    }
    StopClipArt();
    return failed ? 1 : 0;
}
