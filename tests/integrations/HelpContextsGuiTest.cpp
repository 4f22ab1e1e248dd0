#include "platform/HelpService.h"
#include "platform/HelpTopics.h"
#include "platform/HelpWindow.h"
#include "platform/MessageBoxService.h"
#include "support/ProgramWindows.h"
#include "support/RichTextTestApp.h"
#include "support/ScriptedMessageService.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDataStream>
#include <QDirIterator>
#include <QEventLoop>
#include <QFile>
#include <QHelpContentWidget>
#include <QHelpEngineCore>
#include <QMessageBox>
#include <QRegularExpression>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTimer>
#include <QUrl>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

// The help contexts the sources pass in calls: message boxes (their last argument), file
// dialogs, direct help requests and literal settings on controls.
QMap<int, QString> ContextsInSources()
{
    static const QRegularExpression literal(QStringLiteral(
        R"((?:HelpContext\s*=|WinHelp\(HELP_CONTEXT,|SetHelpContext\([^,()]+,)\s*(\d+)\s*[);])"));
    QMap<int, QString> found;
    for (const char *layer : {"platform", "foundation", "engine", "ui", "integrations"}) {
        QDirIterator it(QStringLiteral(PLIKORA_SOURCE_DIR "/") + layer, {"*.cpp"}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            QFile file(path);
            EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
            const QString text = QString::fromUtf8(file.readAll());
            for (auto m = literal.globalMatch(text); m.hasNext();)
                found.insert(m.next().captured(1).toInt(), path);
            // A message box's help context is its call's last argument.
            for (qsizetype at = text.indexOf("MessageDlg("); at >= 0;
                 at = text.indexOf("MessageDlg(", at + 1)) {
                qsizetype end = at + 11;
                for (int depth = 1; end < text.size() && depth > 0; ++end)
                    depth += text[end] == '(' ? 1 : text[end] == ')' ? -1 : 0;
                bool number = false;
                const int context = text.mid(at, end - at - 1).section(',', -1).trimmed().toInt(&number);
                if (number && context != 0)
                    found.insert(context, path);
            }
        }
    }
    return found;
}

} // namespace

TEST(HelpContexts, EveryContextOfTheProgramHasATopicAndEveryTopicIsInTheHelpFile)
{
    EnsureRichTextTestApp();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());

    QMap<int, QString> used = ContextsInSources();
    QStringList pages;
    {
        TProgramWindows program(dir.path());
        for (const TProgramWindows::Window &window : program.Windows()) {
            pages.append(window.Page);
            QList<QObject *> objects{window.Widget};
            objects += window.Widget->findChildren<QObject *>();
            for (QObject *object : objects) {
                if (!object->isWidgetType() && !qobject_cast<QAction *>(object))
                    continue;
                if (const int context = object->property("helpContext").toInt())
                    used.insert(context, window.Page + ": " + object->metaObject()->className());
            }
        }
    }
    ASSERT_GT(used.size(), 140);

    QSet<int> inTable;
    for (const THelpTopic &topic : HelpTopics()) {
        EXPECT_FALSE(inTable.contains(topic.Context)) << "twice in the table: " << topic.Context;
        inTable.insert(topic.Context);
    }
    for (auto it = used.cbegin(); it != used.cend(); ++it)
        EXPECT_TRUE(inTable.contains(it.key()))
            << "no topic for context " << it.key() << " (" << it.value().toStdString() << ")";
    for (int context : inTable)
        EXPECT_TRUE(used.contains(context))
            << "context " << context << " is in the table but nothing uses it";

    // The built help file holds every topic's page and anchor.
    QHelpEngineCore engine(dir.filePath("help.qhc"));
    engine.setReadOnly(false);
    ASSERT_TRUE(engine.setupData());
    ASSERT_TRUE(engine.registerDocumentation(PLIKORA_HELP_FILE)) << engine.error().toStdString();
    for (const THelpTopic &topic : HelpTopics()) {
        const QUrl url(HelpTopicUrl(QString::fromLatin1(topic.Topic)));
        const QString page = QString::fromUtf8(engine.fileData(url));
        EXPECT_FALSE(page.isEmpty()) << topic.Topic;
        if (url.hasFragment()) {
            EXPECT_TRUE(page.contains(QStringLiteral("id=\"%1\"").arg(url.fragment()))) << topic.Topic;
        }
    }
    // Each window's page shows its picture (scripts/help-pictures makes them).
    for (const QString &page : pages) {
        const QString picture = QStringLiteral("pictures/%1.png").arg(page);
        EXPECT_TRUE(QString::fromUtf8(engine.fileData(QUrl(HelpTopicUrl(page + ".html")))).contains(picture))
            << page.toStdString();
        EXPECT_FALSE(engine.fileData(QUrl(HelpTopicUrl(picture))).isEmpty()) << page.toStdString();
    }
}

TEST(HelpContexts, EveryLinkOnAHelpPageLeadsSomewhere)
{
    EnsureRichTextTestApp();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QHelpEngineCore engine(dir.filePath("help.qhc"));
    engine.setReadOnly(false);
    ASSERT_TRUE(engine.setupData());
    ASSERT_TRUE(engine.registerDocumentation(PLIKORA_HELP_FILE)) << engine.error().toStdString();
    static const QRegularExpression reference(QStringLiteral(R"re((?:href|src)="([^"]*)")re"));
    const QList<QUrl> files =
        engine.files(QStringLiteral("com.morvane.plikora"), QString(), QStringLiteral("html"));
    ASSERT_GT(files.size(), 10);
    int links = 0;
    for (const QUrl &file : files) {
        const QString page = QString::fromUtf8(engine.fileData(file));
        for (auto m = reference.globalMatch(page); m.hasNext();) {
            const QUrl target = file.resolved(QUrl(m.next().captured(1)));
            if (target.scheme() != QLatin1String("qthelp"))
                continue; // the web and mail
            ++links;
            const QString where = file.fileName() + QStringLiteral(" -> ") + target.toString();
            const QString text = QString::fromUtf8(engine.fileData(target.adjusted(QUrl::RemoveFragment)));
            EXPECT_FALSE(text.isEmpty()) << where.toStdString();
            if (target.hasFragment()) {
                EXPECT_TRUE(text.contains(QStringLiteral("id=\"%1\"").arg(target.fragment())))
                    << where.toStdString();
            }
        }
    }
    EXPECT_GT(links, 50);
}

TEST(HelpContexts, TheHelpWindowNamesTheSectionItShows)
{
    EnsureRichTextTestApp();
    THelpWindow window;
    QString error;
    ASSERT_TRUE(window.Open(PLIKORA_HELP_FILE, error)) << error.toStdString();
    window.ShowTopic(HelpTopicOf(20148));
    EXPECT_EQ(window.TopicTitle(), "Number of copies");
    EXPECT_EQ(window.windowTitle(), "Number of copies - Plikora Help");
    window.ShowTopic(HelpTopicOf(20139));
    EXPECT_EQ(window.TopicTitle(), "Print Envelope");
    // A link on a page opens its page here, and the contents follow.
    auto *browser = window.findChild<QTextBrowser *>();
    auto *contents = window.findChild<QHelpContentWidget *>();
    ASSERT_TRUE(browser && contents);
    emit browser->anchorClicked(QUrl(QStringLiteral("envelopes.html#setup")));
    EXPECT_EQ(browser->source(), QUrl(HelpTopicUrl(QStringLiteral("envelopes.html#setup"))));
    QHelpContentModel *model = qobject_cast<QHelpContentModel *>(contents->model());
    ASSERT_NE(model, nullptr);
    if (model->rowCount() == 0) {
        QEventLoop created;
        QObject::connect(model, &QHelpContentModel::contentsCreated, &created, &QEventLoop::quit);
        QTimer::singleShot(60000, &created, &QEventLoop::quit); // only a bound on a broken build
        created.exec();
    }
    const QHelpContentItem *shown = model->contentItemAt(contents->currentIndex());
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->url().fileName() + QLatin1Char('#') + shown->url().fragment(), "envelopes.html#setup");

    THelpWindow broken;
    EXPECT_FALSE(broken.Open(QStringLiteral(PLIKORA_SOURCE_DIR "/README.md"), error));
    EXPECT_FALSE(error.isEmpty());

    // A help file whose contents jump levels (which crashes Qt's help reader) is refused.
    QTemporaryDir dir;
    const QString damaged = dir.filePath("damaged.qch");
    ASSERT_TRUE(QFile::copy(PLIKORA_HELP_FILE, damaged));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "damage");
        db.setDatabaseName(damaged);
        ASSERT_TRUE(db.open());
        QSqlQuery query(db);
        ASSERT_TRUE(query.exec("SELECT Data FROM ContentsTable") && query.next());
        QDataStream in(query.value(0).toByteArray());
        QByteArray contents;
        QDataStream out(&contents, QIODevice::WriteOnly);
        for (int entry = 0; !in.atEnd(); ++entry) {
            qint32 depth;
            QString link, title;
            in >> depth >> link >> title;
            out << (entry == 3 ? depth + 100 : depth) << link << title;
        }
        query.finish();
        query.prepare("UPDATE ContentsTable SET Data = ?");
        query.addBindValue(contents);
        ASSERT_TRUE(query.exec());
    }
    QSqlDatabase::removeDatabase("damage");
    THelpWindow crashing;
    EXPECT_FALSE(crashing.Open(damaged, error));
    EXPECT_TRUE(error.contains("table of contents is damaged")) << error.toStdString();
}

TEST(HelpContexts, ABrokenInstallSaysSoOncePerRequest)
{
    EnsureRichTextTestApp();
    ScriptedMessageService messages;
    // The tests' folder holds no help window beside them.
    EXPECT_FALSE(HelpService().WinHelp(HELP_CONTEXT, 20020));
    EXPECT_FALSE(HelpService().WinHelp(HELP_COMMAND, 0));
    ASSERT_EQ(messages.shown.size(), 2);
    EXPECT_TRUE(messages.shown[0].message.contains("not installed completely"));
    EXPECT_TRUE(HelpService().WinHelp(HELP_QUIT, 0));
    EXPECT_EQ(messages.shown.size(), 2);
}

TEST(HelpContexts, AMessageBoxHelpButtonShowsTheTopicAndKeepsTheQuestion)
{
    EnsureRichTextTestApp();
    struct Recording : THelpService
    {
        QList<int> contexts;
        bool WinHelp(int, int data) override
        {
            contexts.append(data);
            return true;
        }
    } help;
    SetHelpService(&help);
    bool stillOpen = false;
    QTimer::singleShot(0, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        ASSERT_TRUE(box);
        box->button(QMessageBox::Help)->click();
        stillOpen = box->isVisible();
        box->button(QMessageBox::No)->click();
    });
    const int answer =
        MessageBoxService().MessageDlg("Delete?", TMsgDlgType::Confirmation, mbYes | mbNo | mbHelp, 20073);
    SetHelpService(nullptr);
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(answer, mrNo);
    EXPECT_EQ(help.contexts, QList<int>{20073});
}
