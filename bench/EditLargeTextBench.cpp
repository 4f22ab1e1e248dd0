// Work per change in a large destination: a keystroke, poked lines and an inserted
// address, each at two sizes ten times apart (the same time at both: it does not
// grow with the text). Run offscreen.
#include "bench/MainWindowProgram.h"
#include "platform/RichEdit.h"
#include "ui/main/MainForm.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QKeyEvent>
#include <QTextBlock>
#include <QTextEdit>

#include <benchmark/benchmark.h>

namespace {

// Address lines of about 13 bytes, four to an address.
QString AddressLines(qsizetype bytes)
{
    QString text;
    text.reserve(bytes + 128);
    for (qsizetype i = 0; text.size() < bytes; ++i)
        text += QStringLiteral("Jan Kowalski %1\nul. Dluga 12\n00-950 Warszawa\n\n").arg(i);
    return text;
}

QStringList PokedLines(qsizetype count)
{
    QStringList lines;
    lines.reserve(count);
    for (qsizetype i = 0; i < count; ++i)
        lines.append(i % 4 == 3 ? QString() : QStringLiteral("Jan Kowalski %1").arg(i));
    return lines;
}

void TypeKeys(benchmark::State &state, QTextEdit &box, bool atEnd)
{
    box.setFocus();
    QTextCursor c = box.textCursor();
    c.movePosition(atEnd ? QTextCursor::End : QTextCursor::Start);
    box.setTextCursor(c);
    // Qt's layout runs in idle-time steps after a load; typing is measured once it is done.
    box.document()->documentLayout()->blockBoundingRect(box.document()->lastBlock());
    QApplication::processEvents();
    for (auto _ : state) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
        QApplication::sendEvent(&box, &press);
        QApplication::sendEvent(&box, &release);
    }
    state.counters["lines"] = box.document()->blockCount();
}

// A key typed into the destination at the start or the end of the text.
void BM_TypeKeyMB(benchmark::State &state)
{
    MainWindowProgram &program = TheMainWindowProgram();
    TFormStampMain &form = *program.form;
    form.RichEditDestination->SetModified(false);
    form.NewEnvelope();
    form.show();
    RichEdit &box = *form.RichEditDestination;
    box.SetText(AddressLines(state.range(0) * 1'000'000));
    box.SetModified(false);
    TypeKeys(state, box, state.range(1));
    box.SetModified(false);
}
BENCHMARK(BM_TypeKeyMB)
    ->ArgNames({"MB", "atEnd"})
    ->Args({2, 0})
    ->Args({20, 0})
    ->Args({2, 1})
    ->Args({20, 1})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20);

// The peer: the same key in Qt's own text edit holding the same text, with nothing of ours.
void BM_QtTypeKeyMB(benchmark::State &state)
{
    TheMainWindowProgram();
    QTextEdit box;
    box.setLineWrapMode(QTextEdit::NoWrap);
    box.resize(400, 200);
    box.show();
    box.setPlainText(AddressLines(state.range(0) * 1'000'000));
    TypeKeys(state, box, state.range(1));
}
BENCHMARK(BM_QtTypeKeyMB)
    ->ArgNames({"MB", "atEnd"})
    ->Args({2, 0})
    ->Args({20, 0})
    ->Args({2, 1})
    ->Args({20, 1})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20);

// Lines poked into "DDELoadAddress" after an address the box already holds.
void BM_PokeLines(benchmark::State &state)
{
    MainWindowProgram &program = TheMainWindowProgram();
    TFormStampMain &form = *program.form;
    const QStringList lines = PokedLines(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        form.RichEditDestination->SetModified(false);
        form.NewEnvelope();
        form.RichEditDestination->SetText(QStringLiteral("Ann Smith\n12 Main St\nAlbany, NY 12207"));
        state.ResumeTiming();
        form.DDELoadAddressPokeData(lines);
        QApplication::processEvents();
    }
    state.counters["lines"] = form.RichEditDestination->document()->blockCount();
    form.RichEditDestination->SetModified(false);
}
BENCHMARK(BM_PokeLines)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond)->Iterations(3);

// One automation InsertAddress of a long text of address lines.
void BM_InsertAddressKB(benchmark::State &state)
{
    MainWindowProgram &program = TheMainWindowProgram();
    TFormStampMain &form = *program.form;
    const QString text = AddressLines(state.range(0) * 1000);
    for (auto _ : state) {
        state.PauseTiming();
        form.RichEditDestination->SetModified(false);
        form.NewEnvelope();
        form.RichEditDestination->SetText(QStringLiteral("Ann Smith\n12 Main St\nAlbany, NY 12207"));
        state.ResumeTiming();
        form.AutomationInsertAddress(text);
        QApplication::processEvents();
    }
    state.counters["lines"] = form.RichEditDestination->document()->blockCount();
    form.RichEditDestination->SetModified(false);
}
BENCHMARK(BM_InsertAddressKB)
    ->ArgName("KB")
    ->Arg(200)
    ->Arg(2000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

} // namespace
