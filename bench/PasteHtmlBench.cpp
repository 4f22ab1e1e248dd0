// Reading pasted HTML: a list of n items, a table of n rows and n levels of nesting,
// each as the clipboard or another program hands it over. The complexity shows whether
// the reader stays linear (Qt's own reader is quadratic in list items and in depth).
#include "platform/HtmlContent.h"

#include <QGuiApplication>

#include <benchmark/benchmark.h>

#include <cstdlib>

namespace {

void EnsureApp()
{
    static QGuiApplication *app = [] {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        static int argc = 1;
        static char name[] = "bench";
        static char *argv[] = {name, nullptr};
        return new QGuiApplication(argc, argv);
    }();
    Q_UNUSED(app);
}

void Read(benchmark::State &state, const QString &html)
{
    EnsureApp();
    for (auto _ : state)
        benchmark::DoNotOptimize(ReadHtml(html).Fragment.isEmpty());
    state.SetComplexityN(state.range(0));
    state.counters["KB"] = double(html.size()) / 1024;
}

void BM_ReadHtmlList(benchmark::State &state)
{
    QString html = QStringLiteral("<ul>");
    for (int i = 0; i < state.range(0); ++i)
        html += QStringLiteral("<li>Item %1</li>").arg(i);
    Read(state, html + QStringLiteral("</ul>"));
}
BENCHMARK(BM_ReadHtmlList)
    ->RangeMultiplier(2)
    ->Range(12500, 100000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

void BM_ReadHtmlTable(benchmark::State &state)
{
    QString html = QStringLiteral("<table border=1>");
    for (int i = 0; i < state.range(0); ++i)
        html += QStringLiteral("<tr><td>Person %1</td><td>1 Main St</td><td>Town</td></tr>").arg(i);
    Read(state, html + QStringLiteral("</table>"));
}
// Up to the most HTML read: 65,536 rows are 3.9 MB.
BENCHMARK(BM_ReadHtmlTable)
    ->RangeMultiplier(2)
    ->Range(8192, 65536)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

void BM_ReadHtmlNested(benchmark::State &state)
{
    QString html;
    for (int i = 0; i < state.range(0); ++i)
        html += QStringLiteral("<b><div><table><tr><td>");
    Read(state, html + QStringLiteral("x"));
}
BENCHMARK(BM_ReadHtmlNested)
    ->RangeMultiplier(2)
    ->Range(12500, 100000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

} // namespace
