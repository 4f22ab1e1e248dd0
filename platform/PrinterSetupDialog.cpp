#include "platform/PrinterSetupDialog.h"

#include "platform/GuardedSlot.h"
#include "platform/HelpService.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

QString ResolutionName(const SpoolerResolution &r)
{
    return r.x == r.y ? QStringLiteral("%1 dpi").arg(r.x) : QStringLiteral("%1 x %2 dpi").arg(r.x).arg(r.y);
}

QString QualityName(int code)
{
    switch (code) {
    case DMRES_DRAFT: return QStringLiteral("Draft");
    case DMRES_LOW: return QStringLiteral("Low");
    case DMRES_MEDIUM: return QStringLiteral("Normal");
    case DMRES_HIGH: return QStringLiteral("High");
    default: return QString::number(code);
    }
}

} // namespace

PrinterSetupModel::PrinterSetupModel(const QString &printerName, const PrinterCaps &caps,
                                     const DevMode &current)
    : m_name(printerName), m_caps(caps), m_edit(current)
{}

QStringList PrinterSetupModel::PaperNames() const
{
    QStringList names;
    for (const auto &p : m_caps.papers)
        names.append(p.name);
    return names;
}

QStringList PrinterSetupModel::SourceNames() const
{
    QStringList names;
    for (const auto &b : m_caps.bins)
        names.append(b.name);
    return names;
}

QStringList PrinterSetupModel::QualityNames() const
{
    QStringList names;
    for (const auto &r : m_caps.resolutions)
        names.append(ResolutionName(r));
    for (int q : m_caps.qualities)
        names.append(QualityName(q));
    return names;
}

int PrinterSetupModel::PaperIndex() const
{
    if (static_cast<uint16_t>(m_edit.PaperSize()) == DMPAPER_USER)
        return -1;
    const SpoolerPaper *p = m_caps.FindPaper(m_edit);
    return p ? int(p - m_caps.papers.constData()) : -1;
}

int PrinterSetupModel::SourceIndex() const
{
    const SpoolerBin *b = m_caps.FindBin(m_edit);
    return b ? int(b - m_caps.bins.constData()) : -1;
}

int PrinterSetupModel::QualityIndex() const
{
    const int q = m_edit.PrintQuality();
    if (q < 0) {
        const int i = m_caps.qualities.indexOf(q);
        return i < 0 ? -1 : int(m_caps.resolutions.size()) + i;
    }
    return int(m_caps.resolutions.indexOf(SpoolerResolution{m_edit.XDpi(), m_edit.YDpi()}));
}

int PrinterSetupModel::DuplexIndex() const
{
    switch (m_edit.Duplex()) {
    case DMDUP_VERTICAL: return 1;
    case DMDUP_HORIZONTAL: return 2;
    default: return 0;
    }
}

void PrinterSetupModel::SetPaperIndex(int index)
{
    if (index < 0 || index >= m_caps.papers.size())
        return;
    DevMode in = m_edit;
    in.SetFields(DM_PAPERSIZE);
    in.SetPaperSize(static_cast<int16_t>(m_caps.papers[index].number));
    in.SetMediaKeyword(m_caps.papers[index].keyword);
    MergeDevModeWithCaps(m_caps, in, m_edit);
}

void PrinterSetupModel::SetSourceIndex(int index)
{
    if (index < 0 || index >= m_caps.bins.size())
        return;
    DevMode in = m_edit;
    in.SetFields(DM_DEFAULTSOURCE);
    in.SetDefaultSource(static_cast<int16_t>(m_caps.bins[index].number));
    in.SetSourceKeyword(m_caps.bins[index].keyword);
    MergeDevModeWithCaps(m_caps, in, m_edit);
}

void PrinterSetupModel::SetQualityIndex(int index)
{
    DevMode in = m_edit;
    in.SetFields(DM_PRINTQUALITY | DM_YRESOLUTION);
    if (index >= 0 && index < m_caps.resolutions.size()) {
        in.SetPrintQuality(static_cast<int16_t>(m_caps.resolutions[index].x));
        in.SetYResolution(static_cast<int16_t>(m_caps.resolutions[index].y));
    } else if (index >= m_caps.resolutions.size()
               && index < m_caps.resolutions.size() + m_caps.qualities.size()) {
        in.SetPrintQuality(static_cast<int16_t>(m_caps.qualities[index - m_caps.resolutions.size()]));
    } else {
        return;
    }
    MergeDevModeWithCaps(m_caps, in, m_edit);
}

void PrinterSetupModel::SetLandscape(bool landscape)
{
    m_edit.SetOrientation(landscape ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT);
    m_edit.SetFields(m_edit.Fields() | DM_ORIENTATION);
}

void PrinterSetupModel::SetColor(bool color)
{
    if (color && !m_caps.color)
        return;
    m_edit.SetColor(color ? DMCOLOR_COLOR : DMCOLOR_MONOCHROME);
}

void PrinterSetupModel::SetDuplexIndex(int index)
{
    if (index < 0 || index > 2 || (index > 0 && !m_caps.duplex))
        return;
    static constexpr int16_t codes[] = {DMDUP_SIMPLEX, DMDUP_VERTICAL, DMDUP_HORIZONTAL};
    m_edit.SetDuplex(codes[index]);
}

PrinterSetupDialog::PrinterSetupDialog(const QString &printerName, const PrinterCaps &caps,
                                       const DevMode &current, QWidget *parent)
    : QDialog(parent), m_model(printerName, caps, current)
{
    setWindowTitle(QStringLiteral("%1 Properties").arg(printerName));
    SetHelpContext(this, 20162);
    auto *form = new QFormLayout;

    paperBox = new QComboBox(this);
    paperBox->addItems(m_model.PaperNames());
    if (caps.papers.isEmpty()) {
        // Nothing to choose: the envelope's size is given as a custom size instead.
        paperBox->addItem(QStringLiteral("None reported"));
        paperBox->setEnabled(false);
        form->addRow(QStringLiteral("&Paper size:"), paperBox);
        auto *note =
            new QLabel(QStringLiteral("The printer reports no paper sizes. Give the envelope's size as a "
                                      "custom envelope size in the envelope definitions manager."),
                       this);
        note->setObjectName(QStringLiteral("NoPaperSizes"));
        note->setWordWrap(true);
        form->addRow(QString(), note);
    } else if (m_model.PaperIndex() < 0) {
        paperBox->addItem(QStringLiteral("Custom %1 x %2 mm")
                              .arg(QString::number(current.PaperWidth() / 10.0, 'f', 1),
                                   QString::number(current.PaperLength() / 10.0, 'f', 1)));
        paperBox->setCurrentIndex(paperBox->count() - 1);
    } else {
        paperBox->setCurrentIndex(m_model.PaperIndex());
    }
    if (!caps.papers.isEmpty())
        form->addRow(QStringLiteral("&Paper size:"), paperBox);

    sourceBox = new QComboBox(this);
    sourceBox->addItems(m_model.SourceNames());
    sourceBox->setCurrentIndex(m_model.SourceIndex());
    sourceBox->setEnabled(sourceBox->count() > 0);
    form->addRow(QStringLiteral("Paper &source:"), sourceBox);

    portraitButton = new QRadioButton(QStringLiteral("P&ortrait"), this);
    landscapeButton = new QRadioButton(QStringLiteral("&Landscape"), this);
    (m_model.Landscape() ? landscapeButton : portraitButton)->setChecked(true);
    auto *orientation = new QHBoxLayout;
    orientation->addWidget(portraitButton);
    orientation->addWidget(landscapeButton);
    form->addRow(QStringLiteral("Orientation:"), orientation);

    qualityBox = new QComboBox(this);
    qualityBox->addItems(m_model.QualityNames());
    qualityBox->setCurrentIndex(m_model.QualityIndex());
    form->addRow(QStringLiteral("Print &quality:"), qualityBox);

    colorBox = new QCheckBox(QStringLiteral("Print in &colour"), this);
    colorBox->setEnabled(m_model.ColorAvailable());
    colorBox->setChecked(m_model.Color());
    form->addRow(QString(), colorBox);

    duplexBox = new QComboBox(this);
    duplexBox->addItems({QStringLiteral("Off"), QStringLiteral("Long edge"), QStringLiteral("Short edge")});
    duplexBox->setCurrentIndex(m_model.DuplexIndex());
    duplexBox->setEnabled(m_model.DuplexAvailable());
    form->addRow(QStringLiteral("&Two-sided:"), duplexBox);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);

    ConnectGuarded(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    ConnectGuarded(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    ConnectGuarded(paperBox, &QComboBox::currentIndexChanged, this,
                   [this](int i) { m_model.SetPaperIndex(i); });
    ConnectGuarded(sourceBox, &QComboBox::currentIndexChanged, this,
                   [this](int i) { m_model.SetSourceIndex(i); });
    ConnectGuarded(landscapeButton, &QRadioButton::toggled, this,
                   [this](bool on) { m_model.SetLandscape(on); });
    ConnectGuarded(qualityBox, &QComboBox::currentIndexChanged, this,
                   [this](int i) { m_model.SetQualityIndex(i); });
    ConnectGuarded(colorBox, &QCheckBox::toggled, this, [this](bool on) { m_model.SetColor(on); });
    ConnectGuarded(duplexBox, &QComboBox::currentIndexChanged, this,
                   [this](int i) { m_model.SetDuplexIndex(i); });
}

bool RunPrinterSetupDialog(QWidget *parent, const QString &printerName, const PrinterCaps &caps,
                           DevMode &devMode)
{
    PrinterSetupDialog dialog(printerName, caps, devMode, parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    devMode = dialog.Model().Result();
    return true;
}
