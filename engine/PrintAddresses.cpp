#include "engine/PrintAddresses.h"

#include "foundation/QmStrings.h"
#include "platform/RichEdit.h"

#include <algorithm>

TAddressPrintList::TAddressPrintList(RichEdit *destination, RichEdit *returnAddress, RichEdit *attention)
    : m_destination(destination), m_return(returnAddress), m_attention(attention)
{}

TAddressPrintList::~TAddressPrintList() = default;

void TAddressPrintList::Refresh(bool selectByCaret)
{
    if (!m_destination) {
        RefreshFrom({}, 0, 0, RichEdit::LineBreakWidth(), selectByCaret);
        return;
    }
    RefreshFrom(m_destination->Lines(), m_destination->SelStart(), m_destination->SelLength(),
                RichEdit::LineBreakWidth(), selectByCaret);
}

void TAddressPrintList::RefreshFrom(const QStringList &lines, int selStart, int selLength, int lineBreakWidth,
                                    bool selectByCaret)
{
    m_addresses.clear();
    m_lines = lines;
    m_lineBreakWidth = lineBreakWidth;
    m_selStart = selStart;
    m_selLength = selLength;
    m_selEnd = selStart + selLength;
    SplitAddresses();
    if (selectByCaret) {
        if (m_selLength >= 1)
            SelectRange(m_caretAddress - 1, m_selEndAddress - 1);
        else
            SelectAll(true);
    }
}

void TAddressPrintList::SplitAddresses()
{
    m_addresses.clear();
    m_caretAddress = 0;
    m_selEndAddress = 0;
    int number = 0;
    bool inGap = true;
    int pos = 0;
    for (int i = 0; i < m_lines.size(); ++i) {
        const QString &line = m_lines.at(i);
        const int next = pos + static_cast<int>(line.size()) + m_lineBreakWidth;
        QString trimmed;
        TrimRightStr(line, trimmed);
        const bool blank = trimmed.isEmpty();
        if (inGap && !blank) {
            inGap = false;
            ++number;
            auto address = std::make_unique<TSingleAddress>();
            address->StartChar = pos;
            address->EndChar = next;
            address->FirstLine = i;
            address->LineCount = 1;
            address->Caption = line;
            m_addresses.push_back(std::move(address));
        } else if (!inGap && !blank) {
            TSingleAddress &current = *m_addresses.back();
            ++current.LineCount;
            current.EndChar = next;
        } else if (!inGap && blank) {
            inGap = true;
        }
        if (pos <= m_selStart && m_selStart < next)
            m_caretAddress = number;
        if (m_selEnd > pos)
            m_selEndAddress = number;
        pos = next;
    }
}

void TAddressPrintList::GetCaptions(QStringList &strings) const
{
    strings.clear();
    for (const auto &address : m_addresses)
        strings.append(address->Caption);
}

void TAddressPrintList::SelectAll(bool value)
{
    for (const auto &address : m_addresses)
        address->Selected = value;
}

void TAddressPrintList::SelectRange(int first, int last)
{
    SelectAll(false);
    if (m_addresses.empty())
        return;
    const int top = Count() - 1;
    first = std::clamp(first, 0, top);
    last = std::clamp(last, 0, top);
    for (int i = first; i <= last; ++i)
        m_addresses.at(i)->Selected = true;
}

void TAddressPrintList::SelectChecked(const QList<bool> &checked)
{
    for (int i = 0; i < Count(); ++i)
        m_addresses.at(i)->Selected = i < checked.size() && checked.at(i);
}

int TAddressPrintList::SelectedCount() const
{
    return static_cast<int>(
        std::count_if(m_addresses.begin(), m_addresses.end(), [](const auto &a) { return a->Selected; }));
}

QStringList TAddressPrintList::AddressLines(int index) const
{
    const TSingleAddress &address = *m_addresses.at(index);
    return m_lines.mid(address.FirstLine, address.LineCount);
}
