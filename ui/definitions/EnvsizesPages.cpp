#include "ui/definitions/EnvsizesPages.h"

#include "engine/DefinitionStore.h"
#include "engine/LayoutFit.h"
#include "engine/PreferenceStore.h"
#include "foundation/Measurements.h"
#include "foundation/QmPrinter.h"
#include "platform/GuardedSlot.h"
#include "platform/HelpService.h"
#include "platform/MessageService.h"

#include <QAction>
#include <QApplication>
#include <QGridLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QRadioButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace {

const QString paperHint = QStringLiteral("Click on the Setup button to change this paper size.");

int measure()
{
    return EnvelopePreferences().Measure();
}

// Lengths are shown and typed in the user's locale; the store keeps integers.
QString lengthText(int hundredthsOfInch)
{
    return LengthText(hundredthsOfInch, measure() == 1, QLocale());
}

std::optional<int> typedLength(const QString &text)
{
    return ReadTypedLength(text, measure() == 1, QLocale());
}

QString unitName()
{
    return measure() == 1 ? QStringLiteral("cm") : QStringLiteral("in");
}

const char *const indentNames[] = {
    "Return from left",          "Return from top",        "Destination from left",
    "Destination from bottom",   "Attention from left",    "Attention from bottom",
    "Stamp Bar Code from right", "Tri-Fold line from top", "Tri-Fold line from bottom"};

QTableWidget *grid(int rows, const QString &hint, int help, QWidget *parent)
{
    auto *g = new QTableWidget(rows, 2, parent);
    g->horizontalHeader()->hide();
    g->verticalHeader()->hide();
    g->setToolTip(hint);
    g->setSelectionMode(QAbstractItemView::SingleSelection);
    g->verticalHeader()->setDefaultSectionSize(g->fontMetrics().height() + 4);
    g->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    g->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    // Every row in view without scrolling: the window's top half is made high enough.
    g->setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);
    SetHelpContext(g, help);
    return g;
}

// The first row and column are headings: shaded, never edited.
QTableWidgetItem *cell(const QString &text, bool fixed)
{
    auto *item = new QTableWidgetItem(text);
    if (fixed) {
        item->setFlags(Qt::ItemIsEnabled);
        item->setBackground(QPalette().brush(QPalette::Button));
    }
    return item;
}

// The tab owns the page's visibility: a grid is hidden and shown inside a page of its own.
QWidget *page(QTableWidget *grid)
{
    auto *page = new QWidget;
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(grid);
    return page;
}

} // namespace

TEnvelopePages::TEnvelopePages(DefinitionStore &Store, QWidget *parent) : QTabWidget(parent), m_store(Store)
{
    addTab(buildSizePage(), QStringLiteral("Envelope Size"));

    m_indents = grid(10, QStringLiteral("Envelope parameters - enter directly in grid."), 20106, this);
    m_indents->setEditTriggers(QAbstractItemView::AllEditTriggers);
    m_indents->installEventFilter(this);
    ConnectGuarded(m_indents, &QTableWidget::itemChanged, this, [this](QTableWidgetItem *item) {
        if (item->column() == 1 && !m_fillingIndents)
            ParseIndentsGrid();
    });
    QWidget *indentsPage = page(m_indents);
    m_layoutWarning = new QLabel(indentsPage);
    m_layoutWarning->setWordWrap(true);
    m_layoutWarning->hide();
    indentsPage->layout()->addWidget(m_layoutWarning);
    addTab(indentsPage, QStringLiteral("Envelope Indents"));

    m_printerSetup = printerGrid(8, 20107);
    addTab(page(m_printerSetup), QStringLiteral("Printer Setup"));
    m_diagnostics = printerGrid(6, 20108);
    addTab(page(m_diagnostics), QStringLiteral("Printer Diagnostics"));
    // The four tabs whole side by side: the window is made wide enough for them.
    setUsesScrollButtons(false);
    setElideMode(Qt::ElideNone);
}

QWidget *TEnvelopePages::buildSizePage()
{
    m_panelEnvelopeSetup = new QWidget(this);
    SetHelpContext(m_panelEnvelopeSetup, 20105);
    m_radioPrinter = new QRadioButton(QStringLiteral("Use printer setup:"), m_panelEnvelopeSetup);
    m_radioPrinter->setChecked(true);
    SetHelpContext(m_radioPrinter, 20109);
    m_editPaperSize = new QLineEdit(m_panelEnvelopeSetup);
    m_editPaperSize->setReadOnly(true);
    m_editPaperSize->setToolTip(paperHint);
    m_radioCustom = new QRadioButton(QStringLiteral("Define custom envelope size:"), m_panelEnvelopeSetup);
    SetHelpContext(m_radioCustom, 20110);
    m_editCustomWidth = new QLineEdit(m_panelEnvelopeSetup);
    SetHelpContext(m_editCustomWidth, 20111);
    m_labelX = new QLabel(QStringLiteral("X"), m_panelEnvelopeSetup);
    m_editCustomHeight = new QLineEdit(m_panelEnvelopeSetup);
    SetHelpContext(m_editCustomHeight, 20112);
    m_labelUnits = new QLabel(m_panelEnvelopeSetup);
    m_labelWithin =
        new QLabel(QStringLiteral("within paper size defined in printer setup:"), m_panelEnvelopeSetup);
    m_editPaperSize2 = new QLineEdit(m_panelEnvelopeSetup);
    m_editPaperSize2->setReadOnly(true);
    m_editPaperSize2->setToolTip(paperHint);
    SetHelpContext(m_editPaperSize2, 20113);

    auto *layout = new QGridLayout(m_panelEnvelopeSetup);
    layout->addWidget(m_radioPrinter, 0, 0, 1, 4);
    layout->addWidget(m_editPaperSize, 1, 0, 1, 4);
    layout->addWidget(m_radioCustom, 2, 0, 1, 4);
    layout->addWidget(m_editCustomWidth, 3, 0);
    layout->addWidget(m_labelX, 3, 1);
    layout->addWidget(m_editCustomHeight, 3, 2);
    layout->addWidget(m_labelUnits, 3, 3);
    layout->addWidget(m_labelWithin, 4, 0, 1, 4);
    layout->addWidget(m_editPaperSize2, 5, 0, 1, 4);
    layout->setRowStretch(6, 1);

    for (QRadioButton *radio : {m_radioPrinter, m_radioCustom})
        ConnectGuarded(radio, &QRadioButton::clicked, this, [this] {
            if (!m_fillingSizePage)
                ApplyCustomSize();
        });
    for (QLineEdit *edit : {m_editCustomWidth, m_editCustomHeight}) {
        edit->installEventFilter(this);
        ConnectGuarded(edit, &QLineEdit::editingFinished, this, [this] { ApplyCustomSize(); });
    }
    return m_panelEnvelopeSetup;
}

QTableWidget *TEnvelopePages::printerGrid(int rows, int help)
{
    QTableWidget *g = grid(rows, QStringLiteral("Printer parameters - double click to edit."), help, this);
    g->setEditTriggers(QAbstractItemView::NoEditTriggers);
    g->setContextMenuPolicy(Qt::ActionsContextMenu);
    auto *change = new QAction(QStringLiteral("Change Settings..."), g);
    g->addAction(change);
    const auto setup = [this] {
        if (OnSetup)
            OnSetup();
    };
    ConnectGuarded(change, &QAction::triggered, this, setup);
    ConnectGuarded(g, &QTableWidget::cellDoubleClicked, this, setup);
    return g;
}

void TEnvelopePages::setRow(QTableWidget *grid, int row, const QString &name, const QString &value)
{
    // Existing cells keep their items, so that an editor open on one stays with it.
    const auto put = [grid, row](int column, const QString &text, bool fixed) {
        if (QTableWidgetItem *item = grid->item(row, column))
            item->setText(text);
        else
            grid->setItem(row, column, cell(text, fixed));
    };
    put(0, name, true);
    put(1, value, row == 0 || grid != m_indents);
}

void TEnvelopePages::FillPrinterSetupGrid()
{
    if (!m_store.HasCurrentEnvelope()) {
        m_printerSetup->hide();
        m_diagnostics->hide();
        return;
    }
    TZambPrinter &printer = *PrinterInstance();
    const int m = measure();
    const QString paperName = printer.PaperName(m);
    m_printerSetup->setRowCount(8);
    setRow(m_printerSetup, 0, QStringLiteral("Parameter"), QStringLiteral("Value"));
    setRow(m_printerSetup, 1, QStringLiteral("Printer"), PrinterNameWithoutPort(printer.GetDeviceName()));
    setRow(m_printerSetup, 2, QStringLiteral("Paper Size Description"), paperName);
    setRow(m_printerSetup, 3, QStringLiteral("Paper Size Dimensions"), printer.PaperSizeText(m));
    setRow(m_printerSetup, 4, QStringLiteral("Print Quality"),
           TZambPrinter::PrintQualityText(printer.GetPrintQuality(), printer.GetYResolution()));
    setRow(m_printerSetup, 5, QStringLiteral("Color"), TZambPrinter::ColorText(printer.GetColor()));
    setRow(m_printerSetup, 6, QStringLiteral("Orientation"),
           TZambPrinter::OrientationText(printer.GetOrientation()));
    setRow(m_printerSetup, 7, QStringLiteral("Paper Source"), printer.PaperSourceText());
    m_editPaperSize->setText(paperName);
    m_editPaperSize2->setText(paperName);

    m_diagnostics->setRowCount(6);
    setRow(m_diagnostics, 0, QStringLiteral("Parameter"), QStringLiteral("Value"));
    setRow(m_diagnostics, 1, QStringLiteral("Print Area"),
           TZambPrinter::SizeText(printer.GetPageWidthMetric(), printer.GetPageHeightMetric(), m));
    setRow(m_diagnostics, 2, QStringLiteral("Upper Left Margin"),
           TZambPrinter::SizeText(printer.GetLeftMarginMetric(), printer.GetTopMarginMetric(), m));
    setRow(m_diagnostics, 3, QStringLiteral("Lower Right Margin"),
           TZambPrinter::SizeText(printer.GetRightMarginMetric(), printer.GetBottomMarginMetric(), m));
    setRow(m_diagnostics, 4, QStringLiteral("Print Graphics"), printer.PrintGraphicsText());
    setRow(m_diagnostics, 5, QStringLiteral("Resize Graphics"), printer.ResizeGraphicsText());
    m_printerSetup->show();
    m_diagnostics->show();
}

void TEnvelopePages::FillIndentsGrid()
{
    const int m = measure();
    if (const TEnvelopeData *data = m_store.CurrentEnvelope()) {
        m_fillingIndents = true;
        m_indents->setRowCount(10);
        setRow(m_indents, 0, QStringLiteral("Measure"),
               m == 0 ? QStringLiteral("Value (in)") : QStringLiteral("Value (cm)"));
        const int values[] = {data->ReturnLeft(),          data->ReturnTop(),      data->DestinationLeft(),
                              data->DestinationBottom(),   data->AttentionLeft(),  data->AttentionBottom(),
                              data->FacingMarkFromRight(), data->TriFoldFromTop(), data->TriFoldFromBottom()};
        for (int row = 1; row <= 9; ++row)
            setRow(m_indents, row, QLatin1String(indentNames[row - 1]), lengthText(values[row - 1]));
        m_fillingIndents = false;
        m_indents->show();
    } else {
        m_indents->hide();
    }
    ShowLayoutWarning();
    m_labelUnits->setText(m == 0   ? QStringLiteral("(inches)")
                          : m == 1 ? QStringLiteral("(CM)")
                                   : QStringLiteral("(unknown)"));
    if (OnIndentsFilled)
        OnIndentsFilled();
}

void TEnvelopePages::ShowLayoutWarning()
{
    const TEnvelopeData *data = m_store.CurrentEnvelope();
    TZambPrinter *printer = PrinterInstance();
    QList<TLayoutPart> outside;
    if (data && printer) {
        const TPreferences &preferences = Preferences().Values();
        outside = PartsOutsidePage(
            LayoutGeometry(*printer, *data, preferences.PrintBarCode, preferences.FacingMark));
    }
    if (outside.isEmpty()) {
        m_layoutWarning->hide();
        return;
    }
    m_layoutWarning->setText(LayoutOutsideText(m_store.List().Description(m_store.CurrentIndex()), outside)
                             + QStringLiteral(" Nothing can be printed with it."));
    m_layoutWarning->show();
}

void TEnvelopePages::ParseIndentsGrid()
{
    TEnvelopeData *data = m_store.CurrentEnvelope();
    if (!data || m_fillingIndents)
        return;
    int values[9];
    for (int row = 1; row <= 9; ++row) {
        const QTableWidgetItem *item = m_indents->item(row, 1);
        const QString text = item ? item->text() : QString();
        const std::optional<int> value = typedLength(text);
        if (!value) {
            // The cell shows the stored value again; nothing else was typed.
            FillIndentsGrid();
            refuse(QLatin1String(indentNames[row - 1]), text);
            return;
        }
        values[row - 1] = *value;
    }
    data->SetReturnLeft(values[0]);
    data->SetReturnTop(values[1]);
    data->SetDestinationLeft(values[2]);
    data->SetDestinationBottom(values[3]);
    data->SetAttentionLeft(values[4]);
    data->SetAttentionBottom(values[5]);
    data->SetFacingMarkFromRight(values[6]);
    data->SetTriFoldFromTop(values[7]);
    data->SetTriFoldFromBottom(values[8]);
    FillIndentsGrid();
}

void TEnvelopePages::FillEnvelopeSizePage()
{
    m_fillingSizePage = true;
    const TEnvelopeData *data = m_store.CurrentEnvelope();
    const bool custom = data && EnvelopePrinter().CustomSize();
    (custom ? m_radioCustom : m_radioPrinter)->setChecked(true);
    for (QWidget *w : std::initializer_list<QWidget *>{
             m_editCustomWidth, m_editCustomHeight, m_editPaperSize2, m_labelWithin, m_labelX, m_labelUnits})
        w->setEnabled(custom);
    m_editPaperSize->setEnabled(!custom);
    if (data) {
        m_editCustomHeight->setText(lengthText(EnvelopePrinter().CustomHeight()));
        m_editCustomWidth->setText(lengthText(EnvelopePrinter().CustomWidth()));
    }
    for (QLineEdit *edit : {m_editCustomWidth, m_editCustomHeight, m_editPaperSize})
        edit->setVisible(data != nullptr);
    m_fillingSizePage = false;
}

void TEnvelopePages::ApplyCustomSize()
{
    TEnvelopeData *data = m_store.CurrentEnvelope();
    // Disabling a focused edit finishes its editing once more: that is no new input.
    if (!data || m_applying || m_fillingSizePage)
        return;
    m_applying = true;
    const struct Done
    {
        bool &flag;
        ~Done() { flag = false; }
    } done{m_applying};
    TEnvelopePrinter &printer = EnvelopePrinter();
    const std::optional<int> width = typedLength(m_editCustomWidth->text());
    const std::optional<int> height = typedLength(m_editCustomHeight->text());
    if (!width || !height) {
        const QString typed = (width ? m_editCustomHeight : m_editCustomWidth)->text();
        FillEnvelopeSizePage();
        refuse(width ? QStringLiteral("Custom envelope height") : QStringLiteral("Custom envelope width"),
               typed);
        return;
    }
    const bool wasCustom = printer.CustomSize();
    const int oldWidth = printer.CustomWidth();
    const int oldHeight = printer.CustomHeight();
    printer.SetCustomSize(m_radioCustom->isChecked());
    printer.SetCustomWidth(*width);
    printer.SetCustomHeight(*height);
    // An envelope larger than its sheet would print its address off the page.
    const int sheetWidth = printer.SheetWidth();
    const int sheetHeight = printer.SheetHeight();
    if (printer.CustomSize() && sheetWidth > 0 && sheetHeight > 0
        && (printer.CustomWidth() > sheetWidth || printer.CustomHeight() > sheetHeight)) {
        const QString message =
            QStringLiteral("The custom envelope size %1 x %2 %5 is larger than the paper it is printed on "
                           "(%3 x %4 %5). Type a smaller size, or choose a larger paper with Setup.")
                .arg(lengthText(printer.CustomWidth()), lengthText(printer.CustomHeight()),
                     lengthText(sheetWidth), lengthText(sheetHeight), unitName());
        printer.SetCustomSize(wasCustom);
        printer.SetCustomWidth(oldWidth);
        printer.SetCustomHeight(oldHeight);
        FillEnvelopeSizePage();
        report(message);
        return;
    }
    data->SavePrinterSetup();
    FillIndentsGrid();
    FillEnvelopeSizePage();
}

void TEnvelopePages::refuse(const QString &field, const QString &typed)
{
    report(NotALengthMessage(field, typed, measure() == 1, QLocale()));
}

void TEnvelopePages::report(const QString &message)
{
    // Told once the edit has ended: a box opened while a cell's editor commits would
    // take the focus from under it.
    if (m_reportPending)
        return;
    m_reportPending = true;
    QTimer::singleShot(0, this, [this, message] {
        m_reportPending = false;
        RunGuarded([&] { MessageDlg(message, TMsgDlgType::Warning, mbOK, 0); });
    });
}

void TEnvelopePages::resizeEvent(QResizeEvent *event)
{
    QTabWidget::resizeEvent(event);
    // The printer grids share their width equally; the values of the indents take a third.
    m_indents->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Fixed);
    m_indents->setColumnWidth(1, width() / 3);
}

bool TEnvelopePages::eventFilter(QObject *watched, QEvent *event)
{
    // Enter takes the typed value here rather than pressing the window's OK.
    if (event->type() != QEvent::KeyPress)
        return QTabWidget::eventFilter(watched, event);
    const int key = static_cast<QKeyEvent *>(event)->key();
    if (key != Qt::Key_Return && key != Qt::Key_Enter)
        return QTabWidget::eventFilter(watched, event);
    if (watched == m_indents) {
        // From an open editor the key only passes by: its own commit reads the grid.
        if (QApplication::focusWidget() == m_indents)
            RunGuarded([this] { ParseIndentsGrid(); });
        return true;
    }
    if (watched == m_editCustomWidth || watched == m_editCustomHeight) {
        RunGuarded([this] { ApplyCustomSize(); });
        return true;
    }
    return QTabWidget::eventFilter(watched, event);
}
