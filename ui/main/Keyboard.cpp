// The main window without a mouse.
#include "ui/main/MainForm.h"

#include "foundation/ColorBox.h"
#include "foundation/FontComboBox.h"
#include "platform/RichEdit.h"

#include <QComboBox>
#include <QShortcut>

void TFormStampMain::SetUpKeyboard()
{
    // Tab goes from box to box as in a form; Ctrl+Tab types a tab.
    RichEditDestination->SetWantTabs(false);
    RichEditAttention->SetWantTabs(false);
    // The walk is destination, attention line, the two lists and back; the format controls
    // are reached with the mouse, as toolbar controls are.
    for (QWidget *control : {static_cast<QWidget *>(FontComboBox), static_cast<QWidget *>(ComboBoxFontSize),
                             static_cast<QWidget *>(ColorBoxFont)})
        control->setFocusPolicy(Qt::ClickFocus);
    setTabOrder(RichEditDestination, RichEditAttention);
    setTabOrder(RichEditAttention, ComboBoxReturnAddress);
    setTabOrder(ComboBoxReturnAddress, ComboBoxEnvelope);

    // The two boxes drawn on the envelope have no labels to carry their access keys.
    const auto accessKey = [this](QKeyCombination key, QWidget *target) {
        auto *shortcut = new QShortcut(QKeySequence(key), this);
        connect(shortcut, &QShortcut::activated, target,
                [target] { target->setFocus(Qt::ShortcutFocusReason); });
    };
    accessKey(Qt::ALT | Qt::Key_D, RichEditDestination);
    accessKey(Qt::ALT | Qt::Key_T, RichEditAttention);
}
