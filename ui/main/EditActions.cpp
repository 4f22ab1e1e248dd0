// The editing commands on the focused envelope box, the format controls, the
// clipboard variants and the refresh of the commands and the status bar.
#include "ui/main/MainForm.h"

#include "engine/RetAddr.h"
#include "engine/ReturnAddressStore.h"
#include "foundation/ColorBox.h"
#include "foundation/FontComboBox.h"
#include "foundation/QmIniFile.h"
#include "foundation/QmRichEdit.h"
#include "platform/FontDialogService.h"
#include "platform/RichEdit.h"
#include "ui/main/EnvelopePicture.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>

namespace {

// The largest size a run of rich text holds, in points.
constexpr double kLargestFontSize = 1638;

qint32 WindowsColorOf(const QColor &Color)
{
    if (!Color.isValid())
        return clDefault;
    return qint32(Color.red() | (Color.green() << 8) | (Color.blue() << 16));
}

QColor ColorOfWindows(qint32 Value)
{
    if (Value == clDefault)
        return {};
    return ColorFromWindows(Value);
}

QString SizeText(double Points)
{
    return QString::number(Points, 'g', 6);
}

QFont FontOf(const TTextAttributes &A)
{
    QFont font(A.Name);
    if (A.Size > 0)
        font.setPointSizeF(A.Size);
    font.setBold(A.HasStyle(RichStyle::Bold));
    font.setItalic(A.HasStyle(RichStyle::Italic));
    font.setUnderline(A.HasStyle(RichStyle::Underline));
    font.setStrikeOut(A.HasStyle(RichStyle::StrikeOut));
    return font;
}

TTextAttributes AttributesOf(const QFont &Font, const QColor &Color)
{
    TTextAttributes a;
    a.Name = Font.family();
    a.Size = Font.pointSizeF() > 0 ? Font.pointSizeF() : 10;
    a.Color = Color;
    a.Style = (Font.bold() ? unsigned(RichStyle::Bold) : 0u)
              | (Font.italic() ? unsigned(RichStyle::Italic) : 0u)
              | (Font.underline() ? unsigned(RichStyle::Underline) : 0u)
              | (Font.strikeOut() ? unsigned(RichStyle::StrikeOut) : 0u);
    a.Consistent = unsigned(RichConsistent::All);
    return a;
}

} // namespace

RichEdit *TFormStampMain::FocusedBox() const
{
    switch (ActiveBox) {
    case 0: return RichEditReturn;
    case 1: return RichEditDestination;
    case 2: return RichEditAttention;
    default: return nullptr;
    }
}

void TFormStampMain::RichEditFocusNone()
{
    ActiveBox = 3;
    UpdateMenu();
}

void TFormStampMain::UpdateMenu()
{
    Updating = true;
    const bool editBox = ActiveBox == 1 || ActiveBox == 2;
    // The actions themselves, so that toolbar buttons and shortcuts follow too.
    ActionEditPaste->setEnabled(false);
    ActionEditPasteAsNew->setEnabled(RichEditDestination->CanPaste());
    ActionEditUndo->setEnabled(false);
    // Find searches the destination: it is there whenever the destination holds text.
    ActionEditFind->setEnabled(RichEditDestination->TextLength() > 0);

    static const char *const kWhom[] = {"return address", "destination address", "attention line"};
    static const char *const kNames[] = {"Return Address", "Destination Address", "Attention Line"};
    RichEdit *box = FocusedBox();
    bool hasSel = false;
    for (RichEdit *edit : {RichEditReturn, RichEditDestination, RichEditAttention})
        edit->SetHideSelection(edit != box);
    const QList<QWidget *> formatControls = {FontComboBox, ComboBoxFontSize, ColorBoxFont};
    if (box) {
        const QString whom = QString::fromLatin1(kWhom[ActiveBox]);
        hasSel = box->SelLength() > 0;
        const TTextAttributes a = box->SelAttributes();
        UpdateStyleButton(*ActionFormatBold, *box, RichStyle::Bold, RichConsistent::Bold);
        UpdateStyleButton(*ActionFormatItalics, *box, RichStyle::Italic, RichConsistent::Italic);
        UpdateStyleButton(*ActionFormatUnderline, *box, RichStyle::Underline, RichConsistent::Underline);
        ActionFormatBold->setToolTip(QStringLiteral("Bold on/off for ") + whom);
        ActionFormatItalics->setToolTip(QStringLiteral("Italics on/off for ") + whom);
        ActionFormatUnderline->setToolTip(QStringLiteral("Underline on/off for ") + whom);
        for (QWidget *w : formatControls)
            w->setEnabled(true);
        const QString face = a.IsConsistent(RichConsistent::Face) ? a.Name : QString();
        FontComboBox->ShowFace(face);
        FontComboBox->setToolTip(QStringLiteral("Font for ") + whom);
        ActionFormatCurrentFont->setToolTip(QStringLiteral("Font for ") + whom);
        ComboBoxFontSize->setEditText(a.IsConsistent(RichConsistent::Size) ? SizeText(a.Size) : QString());
        ComboBoxFontSize->setToolTip(QStringLiteral("Font size for ") + whom);
        ColorBoxFont->SetSelected(a.IsConsistent(RichConsistent::Color) ? WindowsColorOf(a.Color)
                                                                        : clDefault);
        ColorBoxFont->setToolTip(QStringLiteral("Color for ") + whom);
        StatusPanels[1]->setText(QString::fromLatin1(kNames[ActiveBox]));
        ActionFormatCurrentFont->setEnabled(true);
        ActionEditUndo->setEnabled(box->CanUndo());
        if (editBox)
            ActionEditPaste->setEnabled(box->CanPaste());
        // Whatever the box can paste, it can paste as text.
        ActionEditPasteAsText->setEnabled(editBox && box->CanPaste());
    } else {
        ActionEditPasteAsText->setEnabled(false);
        for (QAction *a : {ActionFormatBold, ActionFormatItalics, ActionFormatUnderline})
            a->setEnabled(false);
        for (QWidget *w : formatControls)
            w->setEnabled(false);
        ColorBoxFont->SetSelected(clDefault);
        StatusPanels[1]->setText(QStringLiteral(" "));
        ActionFormatCurrentFont->setEnabled(false);
    }
    for (QAction *a : {ActionFormatBold, ActionFormatItalics, ActionFormatUnderline})
        a->setStatusTip(a->toolTip());

    const bool hasText = RichEditDestination->TextLength() > 0;
    ActionFileSave->setEnabled(hasText && !ReadOnly);
    ActionFileSaveAs->setEnabled(hasText);
    ActionFileClose->setEnabled(hasText);
    // A print request that runs keeps its own controls disabled.
    ActionFilePrintEnvelope->setEnabled(hasText && !PrintRequestRunning());
    ActionFilePrintEnvelopeNow->setEnabled(hasText && !PrintRequestRunning());
    ActionEditCut->setEnabled(hasSel && editBox);
    ActionEditDelete->setEnabled(hasSel && editBox);
    ActionEditCopy->setEnabled(hasSel);
    ActionEditSelectAll->setEnabled(true);
    ActionEditClear->setEnabled(hasText && editBox);
    ActionFavoritesAdd->setEnabled(hasText);

    StatusPanels[0]->setText(IsEnvelopeModified() ? QStringLiteral(" Modified")
                             : Imported           ? QStringLiteral(" Imported")
                                                  : QString());
    Updating = false;
}

void TFormStampMain::ActionEditUndoExecute()
{
    if (RichEdit *box = FocusedBox())
        box->Undo();
}

void TFormStampMain::ActionEditCutExecute()
{
    if (ActiveBox == 1 || ActiveBox == 2)
        FocusedBox()->cut();
}

void TFormStampMain::ActionEditCopyExecute()
{
    if (RichEdit *box = FocusedBox())
        box->copy();
}

void TFormStampMain::ActionEditPasteExecute()
{
    if (ActiveBox != 1 && ActiveBox != 2)
        return;
    RichEdit *box = FocusedBox();
    if (!box->Paste())
        return;
    ClearParagraphFormatting(*box);
    if (box == RichEditDestination && Prefs().ConvertTabsToCrlf)
        ReplaceTabsByLineBreaks(*box);
    // The caret may end where it was before the text was formatted: the controls show it now.
    UpdateMenu();
}

void TFormStampMain::ActionEditPasteAsTextExecute()
{
    if (ActiveBox != 1 && ActiveBox != 2)
        return;
    RichEdit *box = FocusedBox();
    QClipboard *clipboard = QApplication::clipboard();
    QString text = clipboard->text();
    // Rich text alone gives its text; a clipboard without any keeps what it holds.
    if (text.isEmpty()) {
        if (const std::optional<QTextDocumentFragment> content = box->ClipboardContent())
            text = content->toPlainText().remove(QChar::ObjectReplacementCharacter);
    }
    if (text.isEmpty())
        return;
    clipboard->setText(text);
    box->Paste();
    ClearParagraphFormatting(*box);
    if (box == RichEditDestination && Prefs().ConvertTabsToCrlf)
        ReplaceTabsByLineBreaks(*box);
    UpdateMenu();
}

void TFormStampMain::ActionEditPasteAsNewExecute()
{
    // Nothing to paste, or what cannot be: the envelope stays as it is.
    if (!RichEditDestination->CanPaste())
        return;
    const std::optional<QTextDocumentFragment> content = RichEditDestination->ClipboardContent();
    if (!content || !NewEnvelope())
        return;
    RichEdit &box = *RichEditDestination;
    box.PasteContent(*content);
    ClearParagraphFormatting(box);
    if (Prefs().ConvertTabsToCrlf)
        ReplaceTabsByLineBreaks(box);
    box.SelectAllText();
    box.SetSelAttributes(box.DefAttributes());
    box.SetSelStart(0);
    box.SetSelLength(0);
    UpdateMenu();
}

void TFormStampMain::ActionEditDeleteExecute()
{
    if ((ActiveBox == 1 || ActiveBox == 2) && FocusedBox()->SelLength() > 0)
        FocusedBox()->SetSelText(QString());
}

void TFormStampMain::ActionEditClearExecute()
{
    if (ActiveBox == 1) {
        if (QueryDiscard())
            RichEditDestination->Clear();
    } else if (ActiveBox == 2) {
        RichEditAttention->Clear();
    }
}

void TFormStampMain::ActionEditSelectAllExecute()
{
    if (RichEdit *box = FocusedBox())
        box->SelectAllText();
}

void TFormStampMain::StoreReturnFormatting()
{
    if (TReturnAddress *address = m_returnAddresses.CurrentReturnAddress())
        RichEditToStrings(address->Lines(), *RichEditReturn);
}

namespace {

// Runs a format change on the focused box's selection; a change to the return
// address stays with the return address.
template <typename Change> void FormatSelection(TFormStampMain &Form, Change change)
{
    if (Form.Updating)
        return;
    RichEdit *box = Form.FocusedBox();
    if (!box)
        return;
    change(*box);
    if (box == Form.RichEditReturn)
        Form.StoreReturnFormatting();
}

} // namespace

void TFormStampMain::ActionFormatBoldExecute()
{
    FormatSelection(
        *this, [this](RichEdit &box) { box.SetSelStyle(RichStyle::Bold, ActionFormatBold->isChecked()); });
}

void TFormStampMain::ActionFormatItalicsExecute()
{
    FormatSelection(*this, [this](RichEdit &box) {
        box.SetSelStyle(RichStyle::Italic, ActionFormatItalics->isChecked());
    });
}

void TFormStampMain::ActionFormatUnderlineExecute()
{
    FormatSelection(*this, [this](RichEdit &box) {
        box.SetSelStyle(RichStyle::Underline, ActionFormatUnderline->isChecked());
    });
}

void TFormStampMain::FontComboBoxChange()
{
    const QString name = FontComboBox->FontName();
    if (name.isEmpty())
        return;
    FormatSelection(*this, [&](RichEdit &box) { box.SetSelFontName(name); });
}

void TFormStampMain::ColorBoxFontChange()
{
    const QColor colour = ColorOfWindows(ColorBoxFont->Selected());
    FormatSelection(*this, [&](RichEdit &box) { box.SetSelColor(colour); });
}

void TFormStampMain::ComboBoxFontSizeChange()
{
    if (Updating)
        return;
    FontSizeTyped = true;
    ApplyFontSize();
}

void TFormStampMain::ApplyFontSize()
{
    if (!FontSizeTyped || Updating)
        return;
    const QString text = ComboBoxFontSize->currentText().trimmed();
    bool ok = false;
    const double size = text.toDouble(&ok);
    // Nothing, or a size no text can have.
    if (text.isEmpty() || !ok || size <= 0)
        return;
    if (RichEdit *box = FocusedBox()) {
        const double points = std::clamp(size, 1.0, kLargestFontSize);
        box->SetSelSize(points);
        if (box == RichEditReturn)
            StoreReturnFormatting();
        return;
    }
    const QString corrected = size < 4 ? QStringLiteral("4") : size > 72 ? QStringLiteral("72") : QString();
    if (!corrected.isEmpty()) {
        const QSignalBlocker block(ComboBoxFontSize);
        ComboBoxFontSize->setEditText(corrected);
    }
}

void TFormStampMain::ActionFormatCurrentFontExecute()
{
    RichEdit *box = FocusedBox();
    if (!box)
        return;
    const TTextAttributes a = box->SelAttributes();
    TFontDialogRequest request;
    request.Font = FontOf(a);
    request.Color = a.Color;
    const TFontDialogAnswer answer = FontDialogService().Execute(request);
    // OK without a change leaves a selection of several fonts as it was.
    if (!answer.Accepted || (answer.Font == request.Font && answer.Color == request.Color))
        return;
    box->SetSelAttributes(AttributesOf(answer.Font, answer.Color));
    if (box == RichEditReturn)
        StoreReturnFormatting();
    UpdateMenu();
}

void TFormStampMain::ActionFormatDefaultFontExecute()
{
    const TTextAttributes current = RichEditDestination->DefAttributes();
    TFontAttributes font;
    font.AssignFrom(FontOf(current));
    font.Color = current.Color.isValid() ? WindowsColorOf(current.Color) : 0;
    if (RegIni)
        RegIni->ReadFont(QStringLiteral("EnvelopeFont"), font);
    TFontDialogRequest request;
    font.AssignTo(request.Font);
    request.Color = font.Color == 0 ? QColor() : ColorFromWindows(font.Color);
    const TFontDialogAnswer answer = FontDialogService().Execute(request);
    if (!answer.Accepted || (answer.Font == request.Font && answer.Color == request.Color))
        return;
    font.AssignFrom(answer.Font);
    font.Color = answer.Color.isValid() ? WindowsColorOf(answer.Color) : 0;
    if (RegIni) {
        TIniUpdate update(*RegIni);
        RegIni->WriteFont(QStringLiteral("EnvelopeFont"), font);
        update.Commit();
    }
    const TTextAttributes attributes = AttributesOf(answer.Font, answer.Color);
    RichEditDestination->SetDefAttributes(attributes);
    RichEditAttention->SetDefAttributes(attributes);
    UpdateMenu();
}
