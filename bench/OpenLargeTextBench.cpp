// Opening large address files in the main window: rich text by paragraph count
// and a 5 MB rich-text file, 5 and 50 MB of plain text (address lines or prose)
// beside Qt's own plain-text load of the same text, and the RTF reader alone (its
// complexity shows whether it stays linear). Run offscreen.
#include "bench/MainWindowProgram.h"
#include "platform/RichEdit.h"
#include "platform/RtfReader.h"

#include <QFile>
#include <QTextDocument>

#include <benchmark/benchmark.h>

namespace {

// Addresses with some bold and coloured words, as a word processor writes them.
QByteArray RichText(qsizetype paragraphs)
{
    QByteArray rtf =
        "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\froman Times New Roman;}}"
        "{\\colortbl ;\\red0\\green0\\blue255;}\\pard\\f0\\fs20 ";
    for (qsizetype i = 0; i < paragraphs; ++i) {
        switch (i % 4) {
        case 0: rtf += "\\b Mr. Jan Kowalski " + QByteArray::number(i) + "\\b0\\par\n"; break;
        case 1: rtf += "ul. D\\'b3uga 12, \\cf1 m. 5\\cf0\\par\n"; break;
        case 2: rtf += "\\f1\\i 00-950 Warszawa\\i0\\f0\\par\n"; break;
        default: rtf += "\\par\n"; break;
        }
    }
    return rtf + "}";
}

// Address lines (about 13 bytes a line), or lines of prose (about 75).
QByteArray PlainText(qsizetype bytes, bool prose)
{
    QByteArray text;
    text.reserve(bytes + 128);
    for (qsizetype i = 0; text.size() < bytes; ++i) {
        if (prose)
            text += QByteArray::number(i)
                    + " The quick brown fox jumps over the lazy dog, and then it runs off.\r\n";
        else
            text += "Jan Kowalski " + QByteArray::number(i) + "\r\nul. Dluga 12\r\n00-950 Warszawa\r\n\r\n";
    }
    return text;
}

void Open(benchmark::State &state, const QString &name, const QByteArray &bytes)
{
    MainWindowProgram &program = TheMainWindowProgram();
    const QString path = program.Path(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        state.SkipWithError("cannot write the input file");
        return;
    }
    file.close();
    for (auto _ : state) {
        if (!program.form->OpenEnvelopeFile(program.form, path, false)) {
            state.SkipWithError("the file did not open");
            return;
        }
    }
    state.counters["lines"] = program.form->RichEditDestination->LineCount();
    state.counters["MB"] = double(bytes.size()) / 1e6;
    state.SetBytesProcessed(state.iterations() * bytes.size());
    QFile::remove(path);
}

void BM_OpenRichTextParagraphs(benchmark::State &state)
{
    Open(state, QStringLiteral("paragraphs.rtf"), RichText(state.range(0)));
}
BENCHMARK(BM_OpenRichTextParagraphs)->Arg(10000)->Arg(30000)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_OpenRichText5MB(benchmark::State &state)
{
    // About 26 bytes a paragraph.
    QByteArray rtf = RichText(5'000'000 / 26);
    Open(state, QStringLiteral("five.rtf"), rtf);
}
BENCHMARK(BM_OpenRichText5MB)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_OpenPlainTextMB(benchmark::State &state)
{
    Open(state, QStringLiteral("plain.txt"), PlainText(state.range(0) * 1'000'000, state.range(1)));
}
BENCHMARK(BM_OpenPlainTextMB)
    ->ArgNames({"MB", "prose"})
    ->Args({5, 0})
    ->Args({50, 0})
    ->Args({5, 1})
    ->Args({50, 1})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

// The peer: Qt's own plain-text load into a bare document, the floor for the above.
void BM_QtSetPlainTextMB(benchmark::State &state)
{
    TheMainWindowProgram();
    const QString text = QString::fromUtf8(PlainText(state.range(0) * 1'000'000, state.range(1)));
    for (auto _ : state) {
        QTextDocument doc;
        doc.setPlainText(text);
        benchmark::DoNotOptimize(doc.blockCount());
    }
}
BENCHMARK(BM_QtSetPlainTextMB)
    ->ArgNames({"MB", "prose"})
    ->Args({5, 0})
    ->Args({50, 0})
    ->Args({5, 1})
    ->Args({50, 1})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

// The reader on its own, into a document no window shows.
void BM_ReadRtf(benchmark::State &state)
{
    TheMainWindowProgram();
    const QByteArray rtf = RichText(state.range(0));
    for (auto _ : state) {
        QTextDocument doc;
        doc.setUndoRedoEnabled(false);
        ReadRtf(rtf, &doc);
        benchmark::DoNotOptimize(doc.blockCount());
    }
    state.SetComplexityN(state.range(0));
    state.SetBytesProcessed(state.iterations() * rtf.size());
}
BENCHMARK(BM_ReadRtf)->RangeMultiplier(4)->Range(4096, 262144)->Unit(benchmark::kMillisecond)->Complexity();

} // namespace
