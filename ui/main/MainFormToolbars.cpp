// The main window's toolbars: what they hold, and the layout kept between runs.
#include "ui/main/MainForm.h"

#include "foundation/ColorBox.h"
#include "foundation/FontComboBox.h"
#include "foundation/QmIniFile.h"
#include "foundation/QmWindows.h"

#include <QComboBox>
#include <QLabel>
#include <QScreen>
#include <QToolBar>
#include <QToolButton>

#include <algorithm>

void TFormStampMain::CreateToolBars()
{
    const auto bar = [this](const QString &name, const QString &title) {
        auto *toolBar = new QToolBar(title, this);
        toolBar->setObjectName(name);
        toolBar->setIconSize(QSize(24, 24));
        // They move within the rows at the top only, where their places are kept.
        toolBar->setAllowedAreas(Qt::TopToolBarArea);
        toolBar->setFloatable(false);
        return toolBar;
    };
    // A button of its own following the action, so that hiding the button leaves
    // the action's menu item alone.
    const auto button = [](QToolBar *toolBar, QAction *action, const QString &key) {
        auto *tool = new QToolButton(toolBar);
        tool->setDefaultAction(action);
        tool->setObjectName(key);
        tool->setAutoRaise(true);
        tool->setFocusPolicy(Qt::NoFocus);
        tool->setIconSize(toolBar->iconSize());
        toolBar->addWidget(tool);
    };
    ToolBarFile = bar(QStringLiteral("ToolBarFile"), QStringLiteral("File"));
    button(ToolBarFile, ActionFileNew, QStringLiteral("New"));
    button(ToolBarFile, ActionFileOpen, QStringLiteral("Open"));
    button(ToolBarFile, ActionFileSave, QStringLiteral("Save"));
    button(ToolBarFile, ActionFileImportOutlook, QStringLiteral("Import"));
    button(ToolBarFile, ActionFilePrintEnvelopeNow, QStringLiteral("Print"));
    ToolBarEdit = bar(QStringLiteral("ToolBarEdit"), QStringLiteral("Edit"));
    button(ToolBarEdit, ActionEditUndo, QStringLiteral("Undo"));
    button(ToolBarEdit, ActionEditCut, QStringLiteral("Cut"));
    button(ToolBarEdit, ActionEditCopy, QStringLiteral("Copy"));
    button(ToolBarEdit, ActionEditPaste, QStringLiteral("Paste"));
    button(ToolBarEdit, ActionEditPasteAsText, QStringLiteral("PasteAsText"));
    button(ToolBarEdit, ActionEditPasteAsNew, QStringLiteral("PasteAsNew"));
    button(ToolBarEdit, ActionEditDelete, QStringLiteral("Delete"));
    button(ToolBarEdit, ActionEditLookup, QStringLiteral("Lookup"));
    button(ToolBarEdit, ActionEditFind, QStringLiteral("Find"));
    ToolBarSelection = bar(QStringLiteral("ToolBarSelection"), QStringLiteral("Selection"));
    // The labels carry the lists' access keys.
    const auto label = [](QToolBar *toolBar, const QString &text, QWidget *buddy) {
        auto *caption = new QLabel(text, toolBar);
        caption->setBuddy(buddy);
        caption->setContentsMargins(4, 0, 2, 0);
        toolBar->addWidget(caption);
    };
    ToolBarSelection->addAction(ActionFormatReturnAddresses);
    label(ToolBarSelection, QStringLiteral("&Return:"), ComboBoxReturnAddress);
    ToolBarSelection->addWidget(ComboBoxReturnAddress);
    ToolBarSelection->addAction(ActionFormatEnvelopes);
    label(ToolBarSelection, QStringLiteral("E&nvelope:"), ComboBoxEnvelope);
    ToolBarSelection->addWidget(ComboBoxEnvelope);
    ToolBarFormat = bar(QStringLiteral("ToolBarFormat"), QStringLiteral("Format"));
    ToolBarFormat->addWidget(FontComboBox);
    ToolBarFormat->addSeparator()->setObjectName(QStringLiteral("FontBoxSeparator"));
    button(ToolBarFormat, ActionFormatBold, QStringLiteral("Bold"));
    button(ToolBarFormat, ActionFormatItalics, QStringLiteral("Italics"));
    button(ToolBarFormat, ActionFormatUnderline, QStringLiteral("Underline"));
    ToolBarFormat->addWidget(ComboBoxFontSize);
    ToolBarFormat->addWidget(ColorBoxFont);
    ToolBarOptions = bar(QStringLiteral("ToolBarOptions"), QStringLiteral("Options"));
    button(ToolBarOptions, ActionFormatOptions, QStringLiteral("Options"));
    button(ToolBarOptions, ActionFormatCustomizeToolbar, QStringLiteral("Toolbar"));
    button(ToolBarOptions, ActionHelpMain, QStringLiteral("Help"));
    for (QToolBar *toolBar : ToolBars()) {
        addToolBar(Qt::TopToolBarArea, toolBar);
        PassToolbarRightClicks(toolBar);
    }
}

QList<QToolBar *> TFormStampMain::ToolBars() const
{
    return {ToolBarFile, ToolBarEdit, ToolBarSelection, ToolBarFormat, ToolBarOptions};
}

namespace {

struct ToolBarSection
{
    QString Section;
    QStringList Buttons;
};

QList<ToolBarSection> ToolBarSections()
{
    return {
        {QStringLiteral("MainWindowFileToolBar"), {"New", "Open", "Save", "Print", "Import"}},
        {QStringLiteral("MainWindowEditToolBar"),
         {"Undo", "Cut", "Copy", "Paste", "PasteAsNew", "PasteAsText", "Delete", "Lookup", "Find"}},
        {QStringLiteral("MainWindowSelectionToolBar"), {}},
        {QStringLiteral("MainWindowFormatToolBar"), {}},
        {QStringLiteral("MainWindowOptionsToolbar"), {"Options", "Toolbar", "Help"}},
    };
}

// The action of a toolbar whose button carries the key name, or null.
QAction *ButtonAction(QToolBar *ToolBar, const QString &Key)
{
    for (QAction *action : ToolBar->actions()) {
        QWidget *w = ToolBar->widgetForAction(action);
        if (w && w->objectName() == Key)
            return action;
    }
    return nullptr;
}

} // namespace

QAction *TFormStampMain::ToolBarButton(const QString &Key) const
{
    for (QToolBar *toolBar : ToolBars()) {
        if (QAction *action = ButtonAction(toolBar, Key))
            return action;
    }
    return nullptr;
}

QToolBar *TFormStampMain::ToolBarNamed(const QString &Name) const
{
    for (QToolBar *toolBar : ToolBars()) {
        if (toolBar->objectName() == Name)
            return toolBar;
    }
    return nullptr;
}

void TFormStampMain::LoadToolbarLayout()
{
    if (!RegIni)
        return;
    const QList<ToolBarSection> sections = ToolBarSections();
    const bool stored = RegIni->SectionExists(sections[0].Section);
    const QList<QToolBar *> bars = ToolBars();
    QList<TToolbarPlace> places;
    for (int i = 0; i < bars.size(); ++i) {
        QToolBar *toolBar = bars[i];
        TToolbarPlace place{toolBar, {0, 0, 0, 0}, true};
        bool minimized = false;
        bool maximized = false;
        RegIni->ReadWindowPlacement(sections[i].Section, place.Rect, minimized, maximized);
        place.Visible = RegIni->ReadBool(sections[i].Section, QStringLiteral("Visible"), true);
        toolBar->setVisible(place.Visible);
        for (const QString &key : sections[i].Buttons) {
            if (QAction *action = ButtonAction(toolBar, key))
                action->setVisible(RegIni->ReadBool(sections[i].Section, key, true));
        }
        places.append(place);
    }
    if (!stored) {
        DefaultToolbarArrangement();
        DefaultToolbarArrangement();
        return;
    }
    RestoreToolbarRows(this, places);
}

void TFormStampMain::SaveToolbarLayout()
{
    if (!RegIni)
        return;
    const QList<ToolBarSection> sections = ToolBarSections();
    const QList<QToolBar *> bars = ToolBars();
    TIniUpdate update(*RegIni);
    for (int i = 0; i < bars.size(); ++i) {
        SaveControlPlacement(bars[i], sections[i].Section);
        for (const QString &key : sections[i].Buttons) {
            if (QAction *action = ButtonAction(bars[i], key))
                RegIni->WriteBool(sections[i].Section, key, action->isVisible());
        }
    }
    update.Commit();
}

QList<QList<QToolBar *>> TFormStampMain::DefaultToolbarRows(int Width) const
{
    const QList<ToolBarSection> sections = ToolBarSections();
    const QList<QToolBar *> bars = ToolBars();
    const auto shown = [&](QToolBar *toolBar) {
        return !RegIni
               || RegIni->ReadBool(sections[int(bars.indexOf(toolBar))].Section, QStringLiteral("Visible"),
                                   true);
    };
    // Two rows, each wrapped where the window is too narrow for the next toolbar, so that
    // none hides its tools behind its extension button.
    QList<QList<QToolBar *>> rows;
    for (const QList<QToolBar *> &line : {QList<QToolBar *>{ToolBarFile, ToolBarEdit, ToolBarSelection},
                                          QList<QToolBar *>{ToolBarFormat, ToolBarOptions}}) {
        QList<QToolBar *> row;
        int used = 0;
        for (QToolBar *toolBar : line) {
            const int width = shown(toolBar) ? toolBar->sizeHint().width() : 0;
            if (!row.isEmpty() && used > 0 && used + width > Width) {
                rows.append(row);
                row.clear();
                used = 0;
            }
            row.append(toolBar);
            used += width;
        }
        rows.append(row);
    }
    return rows;
}

void TFormStampMain::DefaultToolbarArrangement()
{
    const QList<QList<QToolBar *>> rows = DefaultToolbarRows(width());
    for (QToolBar *toolBar : ToolBars())
        removeToolBar(toolBar);
    for (int i = 0; i < rows.size(); ++i) {
        if (i > 0)
            addToolBarBreak(Qt::TopToolBarArea);
        for (QToolBar *toolBar : rows[i])
            addToolBar(Qt::TopToolBarArea, toolBar);
    }
    const QList<ToolBarSection> sections = ToolBarSections();
    const QList<QToolBar *> bars = ToolBars();
    for (int i = 0; i < bars.size(); ++i)
        bars[i]->setVisible(!RegIni
                            || RegIni->ReadBool(sections[i].Section, QStringLiteral("Visible"), true));
}

QSize TFormStampMain::FirstSize() const
{
    QRect screen(0, 0, 1280, 800);
    if (const QScreen *s = this->screen())
        screen = s->availableGeometry();
    // The frame is not known before the window shows.
    const int room = std::max(screen.width() - 16, 320);
    int widest = 0;
    const QList<QList<QToolBar *>> rows = DefaultToolbarRows(room);
    for (const QList<QToolBar *> &row : rows) {
        int used = 0;
        for (QToolBar *toolBar : row)
            used += toolBar->sizeHint().width();
        widest = std::max(widest, used);
    }
    const int extraRows = std::max(0, int(rows.size()) - 2);
    const int height = 480 + extraRows * ToolBarFile->sizeHint().height();
    return QSize(std::min(std::max(widest, 720), room),
                 std::min(height, std::max(screen.height() - 48, 240)));
}

void TFormStampMain::ActionFormatRestoreToolbarDefaultsExecute()
{
    if (!RegIni)
        return;
    for (const QString &section :
         {QStringLiteral("MainWindowFileToolBar"), QStringLiteral("MainWindowEditToolBar"),
          QStringLiteral("MainWindowFormatToolBar"), QStringLiteral("MainWindowSelectionToolBar"),
          QStringLiteral("MainWindowOptionsToolbar")})
        RegIni->EraseSection(section);
    LoadToolbarLayout();
    DefaultToolbarArrangement();
    DefaultToolbarArrangement();
    m_openers.RestoreReturnAddressToolbars();
}
