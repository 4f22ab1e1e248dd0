#include "integrations/clipart/SelectClipArt.h"

#include "integrations/clipart/ClipArtContainer.h"
#include "integrations/clipart/ClipArtGallery.h"
#include "platform/Exception.h"
#include "platform/GuardedSlot.h"
#include "platform/HelpService.h"
#include "platform/MessageService.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QImageReader>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QSvgRenderer>
#include <QTimer>
#include <QVBoxLayout>

namespace {

TFormChooseClipArt *form = nullptr;

constexpr int kThumbnail = 64;
// Each clip's cell: its thumbnail with two lines of name below.
constexpr QSize kClipCell(kThumbnail + 40, kThumbnail + 32);
// A library larger than this is read no further.
constexpr int kMaxClips = 100000;

QIcon Thumbnail(const QString &path)
{
    QImage image(kThumbnail, kThumbnail, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    if (path.endsWith(QLatin1String(".svg"), Qt::CaseInsensitive)) {
        QSvgRenderer svg(path);
        if (svg.isValid()) {
            const QSize size = svg.defaultSize().scaled(kThumbnail, kThumbnail, Qt::KeepAspectRatio);
            svg.render(&painter,
                       QRectF(QPointF((kThumbnail - size.width()) / 2.0, (kThumbnail - size.height()) / 2.0),
                              QSizeF(size)));
        }
    } else {
        QImageReader reader(path);
        const QSize stored = reader.size();
        if (stored.isValid()) {
            const QSize size = stored.scaled(kThumbnail, kThumbnail, Qt::KeepAspectRatio);
            reader.setScaledSize(size);
            const QImage clip = reader.read();
            painter.drawImage(QPoint((kThumbnail - size.width()) / 2, (kThumbnail - size.height()) / 2),
                              clip);
        }
    }
    painter.end();
    return QIcon(QPixmap::fromImage(image));
}

} // namespace

TFormChooseClipArt::TFormChooseClipArt(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FormChooseClipArt"));
    setWindowTitle(QStringLiteral("Import Clip Art"));
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);

    EditSearch = new QLineEdit(this);
    EditSearch->setObjectName(QStringLiteral("EditSearch"));
    EditSearch->setPlaceholderText(QStringLiteral("Search clip art"));
    EditSearch->setClearButtonEnabled(true);
    ListClips = new QListWidget(this);
    ListClips->setObjectName(QStringLiteral("ListClips"));
    ListClips->setViewMode(QListView::IconMode);
    ListClips->setIconSize(QSize(kThumbnail, kThumbnail));
    ListClips->setGridSize(kClipCell);
    ListClips->setResizeMode(QListView::Adjust);
    ListClips->setMovement(QListView::Static);
    ListClips->setUniformItemSizes(true);
    ListClips->setWordWrap(true);
    ListClips->setMinimumWidth(3 * (kThumbnail + 40) + 24);

    ScrollBoxClipArt = new QScrollArea(this);
    ScrollBoxClipArt->setObjectName(QStringLiteral("ScrollBoxClipArt"));
    ScrollBoxClipArt->setFrameShape(QFrame::NoFrame);
    ScrollBoxClipArt->setMinimumSize(200, 200);
    OleContainerClipArt = new TOleContainerClipArt;
    OleContainerClipArt->setObjectName(QStringLiteral("OleContainerClipArt"));
    ScrollBoxClipArt->setWidget(OleContainerClipArt);
    ScrollBoxClipArt->setAlignment(Qt::AlignCenter);

    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setDefault(true);
    LoadBtn = new QPushButton(QStringLiteral("Select..."), this);
    LoadBtn->setAutoDefault(false);
    auto *cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setAutoDefault(false);
    auto *help = new QPushButton(QStringLiteral("Help"), this);
    help->setAutoDefault(false);

    m_thumbnails = new QTimer(this);
    m_thumbnails->setInterval(0);
    ConnectGuarded(m_thumbnails, &QTimer::timeout, this, [this] { drawThumbnails(); });
    ConnectGuarded(EditSearch, &QLineEdit::textChanged, this, [this](const QString &text) { Search(text); });
    ConnectGuarded(ListClips, &QListWidget::currentItemChanged, this, [this](QListWidgetItem *item) {
        if (item)
            ChooseClip(item->data(Qt::UserRole).toString());
    });
    ConnectGuarded(OKBtn, &QPushButton::clicked, this, [this] { OKBtnClick(); });
    // Starts the choice again: no clip, and the search to type into.
    ConnectGuarded(LoadBtn, &QPushButton::clicked, this, [this] {
        OleContainerClipArt->CreateArtObject();
        ListClips->setCurrentItem(nullptr);
        EditSearch->setFocus();
    });
    ConnectGuarded(cancel, &QPushButton::clicked, this, &QDialog::reject);
    ConnectHelpButton(help, this);

    auto *left = new QVBoxLayout;
    left->addWidget(EditSearch);
    left->addWidget(ListClips, 1);
    auto *top = new QHBoxLayout;
    top->addLayout(left, 1);
    top->addWidget(ScrollBoxClipArt, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(OKBtn);
    buttons->addWidget(LoadBtn);
    buttons->addWidget(cancel);
    buttons->addWidget(help);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addLayout(buttons);
    resize(720, 480);

    SetHelpContext(this, 16200);
    SetHelpContext(OleContainerClipArt, 16201);
    SetHelpContext(LoadBtn, 16202);
}

TFormChooseClipArt::~TFormChooseClipArt()
{
    if (form == this)
        form = nullptr;
}

bool TFormChooseClipArt::Execute(const QString &Name)
{
    FileName = Name;
    OleContainerClipArt->CreateArtObject();
    ListClips->setCurrentItem(nullptr);
    if (!m_scanned)
        scanLibrary();
    Search(EditSearch->text());
    return exec() == QDialog::Accepted;
}

void TFormChooseClipArt::scanLibrary()
{
    m_scanned = true;
    m_clips.clear();
    const QString folder = ClipArtLibraryFolder();
    if (folder.isEmpty())
        return;
    const QDir top(folder);
    QDirIterator it(folder, {QStringLiteral("*.svg"), QStringLiteral("*.png")}, QDir::Files | QDir::Readable,
                    QDirIterator::Subdirectories);
    while (it.hasNext() && m_clips.size() < kMaxClips)
        m_clips.append(top.relativeFilePath(it.next()));
    m_clips.sort(Qt::CaseInsensitive);
}

void TFormChooseClipArt::Search(const QString &Text)
{
    if (!m_scanned)
        scanLibrary();
    const QStringList words = Text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const QDir top(ClipArtLibraryFolder());
    const QSignalBlocker block(ListClips);
    ListClips->clear();
    for (const QString &clip : m_clips) {
        if (ListClips->count() >= MaxListed)
            break;
        if (!std::all_of(words.begin(), words.end(),
                         [&clip](const QString &w) { return clip.contains(w, Qt::CaseInsensitive); }))
            continue;
        auto *item = new QListWidgetItem(QFileInfo(clip).completeBaseName(), ListClips);
        item->setData(Qt::UserRole, top.filePath(clip));
        item->setToolTip(clip);
        // Sized before its thumbnail arrives: the list takes every item's size from the first.
        item->setSizeHint(kClipCell);
    }
    // Thumbnails are drawn a few at a time, so that typing stays quick.
    m_nextThumbnail = 0;
    m_thumbnails->start();
}

void TFormChooseClipArt::drawThumbnails()
{
    for (int n = 0; n < 8 && m_nextThumbnail < ListClips->count(); ++n, ++m_nextThumbnail) {
        QListWidgetItem *item = ListClips->item(m_nextThumbnail);
        item->setIcon(Thumbnail(item->data(Qt::UserRole).toString()));
    }
    if (m_nextThumbnail >= ListClips->count())
        m_thumbnails->stop();
}

void TFormChooseClipArt::ChooseClip(const QString &Clip)
{
    try {
        OleContainerClipArt->LoadClip(Clip);
    } catch (const Exception &error) {
        OleContainerClipArt->CreateArtObject();
        MessageDlg(error.Message(), TMsgDlgType::Error, mbOK, 0);
    }
}

void TFormChooseClipArt::OKBtnClick()
{
    // Nothing chosen (or the choice was refused): an empty square is no picture.
    if (OleContainerClipArt->ClipFile().isEmpty()) {
        MessageDlg(QStringLiteral("Choose a clip first, or press Cancel."), TMsgDlgType::Information, mbOK,
                   0);
        return;
    }
    try {
        if (!OleContainerClipArt->MakeBitmap(true))
            throw Exception(QStringLiteral("There is no picture to save."));
        OleContainerClipArt->SaveAsJpeg(FileName);
    } catch (const Exception &error) {
        OleContainerClipArt->FreeBitmap();
        MessageDlg(error.Message(), TMsgDlgType::Error, mbOK, 0);
        return;
    }
    OleContainerClipArt->FreeBitmap();
    accept();
}

void TFormChooseClipArt::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    OKBtn->setFocus();
}

void TFormChooseClipArt::keyPressEvent(QKeyEvent *event)
{
    // Enter ends a search; it does not take the picture.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && EditSearch->hasFocus()) {
        ListClips->setFocus();
        return;
    }
    QDialog::keyPressEvent(event);
}

TFormChooseClipArt *GetChooseClipArtForm()
{
    if (!form)
        form = new TFormChooseClipArt;
    return form;
}

void FreeChooseClipArtForm()
{
    delete form;
    form = nullptr;
}
