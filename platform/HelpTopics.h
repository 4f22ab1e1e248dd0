#pragma once

#include <QString>

#include <span>

// Where the help topics are: every help context the program passes, and the page and
// anchor of the topic that answers it. The pages lie in the help file (resources/help).
struct THelpTopic
{
    int Context;
    const char *Topic; // "print.html#copies", or a page alone for a window
};

std::span<const THelpTopic> HelpTopics();

// The topic of a context ("print.html#copies"); empty when no topic answers it.
QString HelpTopicOf(int context);

// The help file's namespace and folder, as its project names them.
inline constexpr const char *kHelpNamespace = "com.morvane.plikora";
inline constexpr const char *kHelpContentsPage = "index.html";
// The address of a topic inside the help file.
QString HelpTopicUrl(const QString &topic);
