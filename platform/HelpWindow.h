#pragma once

#include <QTemporaryDir>
#include <QWidget>

class QHelpEngine;
class QLineEdit;
class QTabWidget;
class QTextBrowser;
class QUrl;

// The help window: the topics of the help file with their contents, index and
// full-text search. Its title names the topic shown.
class THelpWindow : public QWidget
{
    Q_OBJECT
public:
    explicit THelpWindow(QWidget *parent = nullptr);
    // Opens a compressed help file; false with the reason in Error when it cannot be read.
    bool Open(const QString &HelpFile, QString &Error);
    // Shows a topic ("print.html#copies") and brings the window up.
    void ShowTopic(const QString &Topic);
    // Shows the search page with the focus in its query.
    void ShowSearch();
    // The heading of the topic shown: its section's, else its page's title.
    QString TopicTitle() const;

private:
    void buildControls();
    void showUp();
    void topicShown(const QUrl &Source);
    QString titleOf(const QUrl &Source) const;

    // The engine's collection is the window's own, so that the installed help file is only read.
    QTemporaryDir m_collection;
    QHelpEngine *m_engine = nullptr;
    QTabWidget *m_tabs = nullptr;
    QTextBrowser *m_browser = nullptr;
    QLineEdit *m_indexFilter = nullptr;
    QWidget *m_searchPage = nullptr;
};
