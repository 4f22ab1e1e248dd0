#include "platform/HelpWindow.h"

#include "platform/HelpTopics.h"

#include <QDataStream>
#include <QDesktopServices>
#include <QHelpContentWidget>
#include <QHelpEngine>
#include <QHelpIndexWidget>
#include <QHelpLink>
#include <QHelpSearchEngine>
#include <QHelpSearchQueryWidget>
#include <QHelpSearchResultWidget>
#include <QLineEdit>
#include <QSplitter>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextBrowser>
#include <QVBoxLayout>

#include <functional>

namespace {

// Pages and pictures come out of the help file.
class HelpBrowser : public QTextBrowser
{
public:
    HelpBrowser(QHelpEngine *Engine, QWidget *parent) : QTextBrowser(parent), m_engine(Engine)
    {
        // Links between pages stay here (the browser would hand a relative link on
        // a help page to the desktop); only those to the web or mail leave.
        setOpenLinks(false);
        connect(this, &QTextBrowser::anchorClicked, this, [this](const QUrl &link) {
            const QUrl target = source().resolved(link);
            if (target.scheme() == QLatin1String("qthelp"))
                setSource(target);
            else if (target.scheme() == QLatin1String("http") || target.scheme() == QLatin1String("https")
                     || target.scheme() == QLatin1String("mailto"))
                QDesktopServices::openUrl(target);
        });
    }

    QVariant loadResource(int type, const QUrl &name) override
    {
        if (name.scheme() == QLatin1String("qthelp"))
            return m_engine->fileData(name);
        return QTextBrowser::loadResource(type, name);
    }

private:
    QHelpEngine *m_engine;
};

// Qt's help reader trusts the file it is given: a damaged table of contents
// crashes its reading thread. A help file is a database; its contents are
// entries of a depth, a link and a title, each at most one level below the one
// before.
bool ContentsAreWhole(const QByteArray &Data)
{
    QDataStream stream(Data);
    int previous = -1;
    while (!stream.atEnd()) {
        qint32 depth = 0;
        QString link, title;
        stream >> depth >> link >> title;
        if (stream.status() != QDataStream::Ok || depth < 0 || depth > previous + 1)
            return false;
        previous = depth;
    }
    return true;
}

QString HelpFileDamage(const QString &HelpFile)
{
    const QString connection = QStringLiteral("plikora-help-check");
    QString damage;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(HelpFile);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        QSqlQuery query(db);
        if (!db.open())
            damage = QStringLiteral("it cannot be opened");
        else if (!query.exec(QStringLiteral("PRAGMA quick_check")) || !query.next()
                 || query.value(0).toString() != QLatin1String("ok"))
            damage = QStringLiteral("it is damaged");
        else if (!query.exec(QStringLiteral("SELECT Data FROM ContentsTable")))
            damage = QStringLiteral("it has no table of contents");
        while (damage.isEmpty() && query.next()) {
            if (!ContentsAreWhole(query.value(0).toByteArray()))
                damage = QStringLiteral("its table of contents is damaged");
        }
    }
    QSqlDatabase::removeDatabase(connection);
    return damage;
}

} // namespace

THelpWindow::THelpWindow(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setWindowTitle(QStringLiteral("Plikora Help"));
    resize(900, 640);
}

bool THelpWindow::Open(const QString &HelpFile, QString &Error)
{
    if (!m_collection.isValid()) {
        Error = QStringLiteral("No folder for the help's index could be made: %1")
                    .arg(m_collection.errorString());
        return false;
    }
    if (const QString damage = HelpFileDamage(HelpFile); !damage.isEmpty()) {
        Error = QStringLiteral("The help file \"%1\" cannot be read: %2.").arg(HelpFile, damage);
        return false;
    }
    m_engine = new QHelpEngine(m_collection.filePath(QStringLiteral("plikora.qhc")), this);
    m_engine->setReadOnly(false);
    if (!m_engine->setupData() || !m_engine->registerDocumentation(HelpFile)) {
        Error = QStringLiteral("The help file \"%1\" cannot be read: %2").arg(HelpFile, m_engine->error());
        return false;
    }
    // The contents and index follow a registration only through a new set-up.
    m_engine->setupData();
    buildControls();
    m_engine->searchEngine()->reindexDocumentation();
    return true;
}

void THelpWindow::buildControls()
{
    m_browser = new HelpBrowser(m_engine, this);
    connect(m_browser, &QTextBrowser::sourceChanged, this, &THelpWindow::topicShown);

    auto *contents = m_engine->contentWidget();
    connect(contents, &QHelpContentWidget::linkActivated, m_browser,
            [this](const QUrl &url) { m_browser->setSource(url); });
    connect(m_engine->contentModel(), &QHelpContentModel::contentsCreated, contents, [this, contents] {
        contents->expandToDepth(0);
        if (!m_browser->source().isEmpty())
            topicShown(m_browser->source());
    });

    auto *indexPage = new QWidget;
    m_indexFilter = new QLineEdit(indexPage);
    m_indexFilter->setPlaceholderText(QStringLiteral("Type a word to look for"));
    m_indexFilter->setClearButtonEnabled(true);
    auto *index = m_engine->indexWidget();
    connect(m_indexFilter, &QLineEdit::textChanged, index,
            [index](const QString &text) { index->filterIndices(text); });
    connect(m_indexFilter, &QLineEdit::returnPressed, index, &QHelpIndexWidget::activateCurrentItem);
    const auto showLinks = [this](const QList<QHelpLink> &links) {
        if (!links.isEmpty())
            m_browser->setSource(links.first().url);
    };
    connect(index, &QHelpIndexWidget::documentActivated, this,
            [showLinks](const QHelpLink &link, const QString &) { showLinks({link}); });
    connect(index, &QHelpIndexWidget::documentsActivated, this,
            [showLinks](const QList<QHelpLink> &links, const QString &) { showLinks(links); });
    auto *indexLayout = new QVBoxLayout(indexPage);
    indexLayout->setContentsMargins(4, 4, 4, 4);
    indexLayout->addWidget(m_indexFilter);
    indexLayout->addWidget(index);

    auto *search = m_engine->searchEngine();
    m_searchPage = new QWidget;
    auto *query = search->queryWidget();
    auto *results = search->resultWidget();
    connect(query, &QHelpSearchQueryWidget::search, search,
            [search, query] { search->search(query->searchInput()); });
    connect(results, &QHelpSearchResultWidget::requestShowLink, m_browser,
            [this](const QUrl &url) { m_browser->setSource(url); });
    auto *searchLayout = new QVBoxLayout(m_searchPage);
    searchLayout->setContentsMargins(4, 4, 4, 4);
    searchLayout->addWidget(query);
    searchLayout->addWidget(results, 1);

    m_tabs = new QTabWidget;
    m_tabs->addTab(contents, QStringLiteral("&Contents"));
    m_tabs->addTab(indexPage, QStringLiteral("&Index"));
    m_tabs->addTab(m_searchPage, QStringLiteral("&Search"));

    auto *splitter = new QSplitter(this);
    splitter->addWidget(m_tabs);
    splitter->addWidget(m_browser);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({260, 640});
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(splitter);
}

void THelpWindow::ShowTopic(const QString &Topic)
{
    if (!m_browser)
        return;
    m_browser->setSource(QUrl(HelpTopicUrl(Topic)));
    showUp();
}

void THelpWindow::ShowSearch()
{
    if (!m_browser)
        return;
    if (m_browser->source().isEmpty())
        m_browser->setSource(QUrl(HelpTopicUrl(QLatin1String(kHelpContentsPage))));
    m_tabs->setCurrentWidget(m_searchPage);
    showUp();
    if (auto *input = m_searchPage->findChild<QLineEdit *>())
        input->setFocus();
}

void THelpWindow::showUp()
{
    show();
    setWindowState(windowState() & ~Qt::WindowMinimized);
    raise();
    activateWindow();
}

QString THelpWindow::TopicTitle() const
{
    return m_browser ? titleOf(m_browser->source()) : QString();
}

QString THelpWindow::titleOf(const QUrl &Source) const
{
    const QString anchor = Source.fragment();
    const QTextDocument *document = m_browser->document();
    if (!anchor.isEmpty()) {
        for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
            if (block.charFormat().anchorNames().contains(anchor))
                return block.text().trimmed();
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                if (it.fragment().charFormat().anchorNames().contains(anchor))
                    return block.text().trimmed();
            }
        }
    }
    return document->metaInformation(QTextDocument::DocumentTitle);
}

void THelpWindow::topicShown(const QUrl &Source)
{
    // The contents follow the page shown: its section, else the page (the
    // widget's own search compares pages only).
    QHelpContentWidget *contents = m_engine->contentWidget();
    QHelpContentModel *model = m_engine->contentModel();
    const QUrl page = Source.adjusted(QUrl::RemoveFragment);
    QModelIndex entry, pageEntry;
    const std::function<void(const QModelIndex &)> search = [&](const QModelIndex &parent) {
        for (int row = 0; row < model->rowCount(parent) && !entry.isValid(); ++row) {
            const QModelIndex index = model->index(row, 0, parent);
            if (const QHelpContentItem *item = model->contentItemAt(index)) {
                if (item->url() == Source)
                    entry = index;
                else if (!pageEntry.isValid() && item->url() == page)
                    pageEntry = index;
            }
            search(index);
        }
    };
    search(QModelIndex());
    if (!entry.isValid())
        entry = pageEntry;
    if (entry.isValid()) {
        const QSignalBlocker quiet(contents);
        contents->setCurrentIndex(entry);
        contents->scrollTo(entry);
    }
    const QString title = titleOf(Source);
    setWindowTitle(title.isEmpty() ? QStringLiteral("Plikora Help")
                                   : title + QStringLiteral(" - Plikora Help"));
}
