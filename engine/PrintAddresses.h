#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class RichEdit;
class TEnvelopeData;
struct TLayoutGeometry;
class TPrintProgress;
class TReturnAddress;

// One address of the destination text: the lines between blank lines.
// Character positions are the destination control's own.
class TSingleAddress
{
public:
    int StartChar = 0;
    int EndChar = 0;
    int FirstLine = 0;
    int LineCount = 0;
    QString Caption;
    bool Selected = false;
};

// How a print job ended.
enum class TPrintOutcome {
    Printed,
    NotPrinted,      // a check or the printer setup failed, and said so
    NothingSelected, // no address chosen, and said so
    Cancelled,       // called off by the person: the pages done were sent, no more
};

// The addresses of the destination box, which of them print, and the print
// job over them.
class TAddressPrintList
{
public:
    // The three boxes are not owned; any may be null in tests of the list alone.
    TAddressPrintList(RichEdit *destination, RichEdit *returnAddress, RichEdit *attention);
    ~TAddressPrintList();
    TAddressPrintList(const TAddressPrintList &) = delete;
    TAddressPrintList &operator=(const TAddressPrintList &) = delete;

    // Reads the destination's lines and selection and splits them; with
    // selectByCaret the addresses the selection spans are selected (all of
    // them when nothing is selected).
    void Refresh(bool selectByCaret);
    // The same from given lines and selection; lineBreakWidth is what one line
    // break counts in the positions.
    void RefreshFrom(const QStringList &lines, int selStart, int selLength, int lineBreakWidth,
                     bool selectByCaret);
    void SplitAddresses();

    void GetCaptions(QStringList &strings) const;
    void SelectAll(bool value);
    // Indexes from 0, clamped to the list.
    void SelectRange(int first, int last);
    // One flag per address, in list order (the print dialog's check list).
    void SelectChecked(const QList<bool> &checked);
    TSingleAddress &GetAddress(int index) { return *m_addresses.at(index); }
    const TSingleAddress &GetAddress(int index) const { return *m_addresses.at(index); }
    int Count() const { return static_cast<int>(m_addresses.size()); }
    int SelectedCount() const;
    // The lines of one address, as the list read them.
    QStringList AddressLines(int index) const;

    // Prints one envelope per copy for every selected address as one document.
    // Without a definition, a return address or a selected address it says so
    // and prints nothing. The progress, when given, starts once the document has
    // started (after any file dialog of the printer); its cancel stops the job
    // before the next page and sends the pages done. A failure of the printer
    // aborts the job and finishes the progress before the exception goes on to
    // the caller, who shows it.
    TPrintOutcome PrintEnvelopes(int Copies, bool TestEnvelope, TReturnAddress *ReturnAddress,
                                 TEnvelopeData *Envelope, const QString &Title, int BarCodePlacement,
                                 bool PrintTriFoldLines, TPrintProgress *Progress = nullptr);

    // Why the selected addresses, the return address or the attention line are more
    // than one envelope holds (lines, characters, tables in tables); empty when none is.
    QString TooMuchToPrint() const;
    // Lets the layout check lay the return address and every selected address out as
    // the job would, at the geometry's resolution.
    void MeasureTexts(TLayoutGeometry &Geometry, TReturnAddress *ReturnAddress) const;

    RichEdit *Destination() const { return m_destination; }
    RichEdit *Return() const { return m_return; }
    RichEdit *Attention() const { return m_attention; }
    const QStringList &Lines() const { return m_lines; }
    int SelStart() const { return m_selStart; }
    int SelLength() const { return m_selLength; }
    int SelEnd() const { return m_selEnd; }
    int CaretAddress() const { return m_caretAddress; }
    int SelEndAddress() const { return m_selEndAddress; }

private:
    RichEdit *m_destination;
    RichEdit *m_return;
    RichEdit *m_attention;
    std::vector<std::unique_ptr<TSingleAddress>> m_addresses;
    QStringList m_lines;
    int m_lineBreakWidth = 2;
    int m_selStart = 0;
    int m_selLength = 0;
    int m_selEnd = 0;
    int m_caretAddress = 0;
    int m_selEndAddress = 0;
};
