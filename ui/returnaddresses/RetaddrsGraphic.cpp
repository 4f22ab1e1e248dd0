// The return-address editor's picture: its file, its printed size, the picture
// editor, clip art and files dropped on the window.
#include "ui/returnaddresses/Retaddrs.h"

#include "engine/RetAddr.h"
#include "engine/ReturnAddressStore.h"
#include "foundation/Measurements.h"
#include "foundation/QmIniFile.h"
#include "foundation/StampIncludes.h"
#include "foundation/Unique.h"
#include "platform/Exception.h"
#include "platform/FileDialogService.h"
#include "platform/GuardedSlot.h"
#include "platform/MessageService.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

namespace {

TClipArtGallery *installedGallery = nullptr;

const QString graphicFilter = QStringLiteral(
    "All (png, jpg, jpeg, gif, bmp, ico, emf, wmf)|*.png;*.jpg;*.jpeg;*.gif;*.bmp;*.ico;*.emf;*.wmf|"
    "PNG images (*.png)|*.png|JPEG image Files (*.jpg;*.jpeg)|*.jpg;*.jpeg|GIF image files (*.gif)|*.gif|"
    "Bitmaps (*.bmp)|*.bmp|Icons (*.ico)|*.ico|Enhanced Metafiles (*.emf)|*.emf|"
    "Metafiles (*.wmf)|*.wmf");

QStringList LocalFiles(const QMimeData *data)
{
    QStringList files;
    if (data && data->hasUrls())
        for (const QUrl &url : data->urls())
            if (url.isLocalFile())
                files.append(url.toLocalFile());
    return files;
}

} // namespace

TClipArtGallery *ClipArtGallery()
{
    return installedGallery;
}

void SetClipArtGallery(TClipArtGallery *Gallery)
{
    installedGallery = Gallery;
}

QGroupBox *TDlgReturnAddresses::buildGraphicGroup()
{
    GroupBoxGraphic = new QGroupBox(QStringLiteral(" "), this);
    PanelImage = new QFrame(GroupBoxGraphic);
    PanelImage->setObjectName(QStringLiteral("PanelImage"));
    PanelImage->setFrameShape(QFrame::StyledPanel);
    PanelImage->setContextMenuPolicy(Qt::CustomContextMenu);
    // As wide as its picture when the window has the room, never wider than the
    // room: a large picture is cut, it does not widen the window.
    PanelImage->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    PanelImage->setMinimumWidth(8);
    ImageReturnAddress = new QLabel(PanelImage);
    ImageReturnAddress->setObjectName(QStringLiteral("ImageReturnAddress"));
    ImageReturnAddress->setScaledContents(true);
    ImageReturnAddress->move(4, 4);
    ImageReturnAddress->hide();

    auto *fileLabel = new QLabel(QStringLiteral("File Name"), GroupBoxGraphic);
    EditGraphicFile = new QLineEdit(GroupBoxGraphic);
    EditGraphicFile->setObjectName(QStringLiteral("EditGraphicFile"));
    EditGraphicFile->setReadOnly(true);
    EditGraphicFile->setToolTip(QStringLiteral("This is the graphic file to include in the return address"));
    EditGraphicFile->installEventFilter(this);
    EditGraphicWidth = new QLineEdit(GroupBoxGraphic);
    EditGraphicWidth->setObjectName(QStringLiteral("EditGraphicWidth"));
    EditGraphicHeight = new QLineEdit(GroupBoxGraphic);
    EditGraphicHeight->setObjectName(QStringLiteral("EditGraphicHeight"));
    LabelUnits = new QLabel(GroupBoxGraphic);
    for (QLineEdit *edit : {EditGraphicWidth, EditGraphicHeight}) {
        edit->setMaximumWidth(70);
        edit->installEventFilter(this);
        const bool width = edit == EditGraphicWidth;
        ConnectGuarded(edit, &QLineEdit::textEdited, this, [this, width] {
            if (UpdatingToolbar)
                return;
            (width ? WidthEdited : HeightEdited) = true;
        });
        ConnectGuarded(edit, &QLineEdit::editingFinished, this, [this, width] { applySizeEdit(width); });
    }

    const auto button = [this](const QString &text, const QString &hint,
                               void (TDlgReturnAddresses::*click)()) {
        auto *b = new QPushButton(text, GroupBoxGraphic);
        b->setToolTip(hint);
        b->setAutoDefault(false);
        ConnectGuarded(b, &QPushButton::clicked, this, click);
        return b;
    };
    BtnBrowse = button(QStringLiteral("Browse..."), QStringLiteral("Click here to select a graphic file."),
                       &TDlgReturnAddresses::BtnBrowseClick);
    BtnChooseClipArt =
        button(QStringLiteral("Clip Art..."), QStringLiteral("Click here to choose a clip art picture."),
               &TDlgReturnAddresses::BtnChooseClipArtClick);
    BtnReload =
        button(QStringLiteral("Reload"), QStringLiteral("Click here to reload the graphic file from disk."),
               &TDlgReturnAddresses::BtnReloadClick);
    BtnClear = button(QStringLiteral("Clear"), QStringLiteral("Click here if you don't want a graphic."),
                      &TDlgReturnAddresses::BtnClearClick);
    BtnEdit = button(QStringLiteral("Edit..."), QStringLiteral("Click here to edit the graphic file."),
                     &TDlgReturnAddresses::BtnEditClick);

    PopupMenuGraphic = new QMenu(this);
    ConnectGuarded(PopupMenuGraphic->addAction(QStringLiteral("Browse...")), &QAction::triggered, this,
                   [this] { BtnBrowseClick(); });
    ConnectGuarded(PopupMenuGraphic->addAction(QStringLiteral("Reload")), &QAction::triggered, this,
                   [this] { BtnReloadClick(); });
    ConnectGuarded(PopupMenuGraphic->addAction(QStringLiteral("Clear")), &QAction::triggered, this,
                   [this] { BtnClearClick(); });
    ConnectGuarded(PopupMenuGraphic->addAction(QStringLiteral("Edit...")), &QAction::triggered, this,
                   [this] { BtnEditClick(); });
    ConnectGuarded(PanelImage, &QWidget::customContextMenuRequested, this,
                   [this](const QPoint &at) { PopupMenuGraphic->exec(PanelImage->mapToGlobal(at)); });

    auto *sizes = new QHBoxLayout;
    sizes->addWidget(new QLabel(QStringLiteral("Width"), GroupBoxGraphic));
    sizes->addWidget(EditGraphicWidth);
    sizes->addWidget(new QLabel(QStringLiteral("Height"), GroupBoxGraphic));
    sizes->addWidget(EditGraphicHeight);
    sizes->addWidget(LabelUnits);
    sizes->addStretch(1);
    auto *buttons = new QGridLayout;
    buttons->addWidget(BtnBrowse, 0, 0);
    buttons->addWidget(BtnChooseClipArt, 0, 1);
    buttons->addWidget(BtnReload, 0, 2);
    buttons->addWidget(BtnClear, 1, 0);
    buttons->addWidget(BtnEdit, 1, 1);
    auto *right = new QVBoxLayout;
    right->addWidget(fileLabel);
    right->addWidget(EditGraphicFile);
    right->addLayout(sizes);
    right->addLayout(buttons);
    right->addStretch(1);
    auto *layout = new QHBoxLayout(GroupBoxGraphic);
    layout->addWidget(PanelImage, 1);
    layout->addLayout(right, 1);
    return GroupBoxGraphic;
}

void TDlgReturnAddresses::ShowGraphic()
{
    TReturnAddress *current = m_store.CurrentReturnAddress();
    if (!current) {
        ImageReturnAddress->hide();
        PanelImage->setMaximumWidth(8);
        EditGraphicWidth->setEnabled(false);
        EditGraphicHeight->setEnabled(false);
        LabelUnits->clear();
        return;
    }
    const int width = current->GraphicWidthPixels();
    const int height = current->GraphicHeightPixels();
    PanelImage->setMaximumWidth(width > 0 ? width + 8 : 8);
    TGraphic *graphic = current->Picture().Graphic();
    if (current->FileExists() && graphic && !graphic->Empty() && width > 0 && height > 0) {
        QPixmap pixmap(width, height);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        graphic->Draw(painter, QRect(0, 0, width, height));
        painter.end();
        ImageReturnAddress->setPixmap(pixmap);
        ImageReturnAddress->setFixedSize(width, height);
        ImageReturnAddress->show();
    } else {
        ImageReturnAddress->clear();
        ImageReturnAddress->hide();
    }
    const uint8_t type = current->GraphicType();
    const bool sizable = type != gtIcon && type != gtNone;
    EditGraphicWidth->setEnabled(sizable);
    EditGraphicHeight->setEnabled(sizable);
    if (type == gtIcon) {
        LabelUnits->setText(QStringLiteral("(Pixels)"));
    } else if (type == gtNone) {
        LabelUnits->clear();
    } else {
        const int measure = ReturnAddressEnvironment().Measure();
        LabelUnits->setText(measure == 0   ? QStringLiteral("(inches)")
                            : measure == 1 ? QStringLiteral("(CM)")
                                           : QStringLiteral("(unknown)"));
    }
}

void TDlgReturnAddresses::ShowGraphicSize()
{
    const TReturnAddress *current = m_store.CurrentReturnAddress();
    const bool updating = UpdatingToolbar;
    UpdatingToolbar = true;
    if (!current) {
        EditGraphicWidth->clear();
        EditGraphicHeight->clear();
    } else if (current->GraphicType() == gtIcon) {
        EditGraphicWidth->setText(QString::number(current->GraphicWidthPixels()));
        EditGraphicHeight->setText(QString::number(current->GraphicHeightPixels()));
    } else {
        // Shown and typed in the user's locale.
        const bool metric = ReturnAddressEnvironment().Measure() == 1;
        EditGraphicWidth->setText(LengthText(current->GraphicWidth(), metric, QLocale()));
        EditGraphicHeight->setText(LengthText(current->GraphicHeight(), metric, QLocale()));
    }
    UpdatingToolbar = updating;
}

void TDlgReturnAddresses::GraphicChanged()
{
    ShowGraphic();
    m_store.CurrentEdited();
    ShowGraphicSize();
}

void TDlgReturnAddresses::applySizeEdit(bool width)
{
    bool &edited = width ? WidthEdited : HeightEdited;
    if (!edited || UpdatingToolbar)
        return;
    edited = false;
    TReturnAddress *current = m_store.CurrentReturnAddress();
    if (!current)
        return;
    const bool metric = ReturnAddressEnvironment().Measure() == 1;
    const QString typed = (width ? EditGraphicWidth : EditGraphicHeight)->text();
    const std::optional<int> value = ReadTypedLength(typed, metric, QLocale());
    if (!value) {
        ShowGraphicSize();
        // Told once the edit has ended, not from under the edit losing the focus.
        const QString message = NotALengthMessage(width ? QStringLiteral("Width") : QStringLiteral("Height"),
                                                  typed, metric, QLocale());
        QTimer::singleShot(
            0, this, [message] { RunGuarded([&] { MessageDlg(message, TMsgDlgType::Warning, mbOK, 0); }); });
        return;
    }
    if (width)
        current->SetGraphicWidth(std::max(0, *value));
    else
        current->SetGraphicHeight(std::max(0, *value));
    GraphicChanged();
}

void TDlgReturnAddresses::BtnBrowseClick()
{
    const TReturnAddress *current = m_store.CurrentReturnAddress();
    if (!current)
        return;
    TFileDialogRequest request;
    request.Kind = TFileDialogKind::Open;
    request.Title = QStringLiteral("Select Return Address Graphic");
    request.Filter = graphicFilter;
    request.DefaultExt = QStringLiteral("bmp");
    request.FileName = current->GraphicFile();
    request.InitialDir =
        current->GraphicFile().isEmpty() ? QString() : QFileInfo(current->GraphicFile()).absolutePath();
    request.FileMustExist = true;
    request.HelpContext = 20015;
    const TFileDialogAnswer answer = FileDialogService().Execute(request);
    if (!answer.Accepted)
        return;
    // Metafiles cannot be drawn here: say so and keep the picture the entry has.
    if (GraphicTypeOfFile(answer.FileName) == gtMetafile) {
        TPicture probe;
        try {
            probe.LoadFromFile(answer.FileName);
        } catch (const Exception &error) {
            MessageDlg(PictureLoadError(answer.FileName, error.Message()), TMsgDlgType::Error, mbOK, 0);
            return;
        }
    }
    EditGraphicFile->setText(answer.FileName);
    BtnReloadClick();
}

void TDlgReturnAddresses::BtnReloadClick()
{
    TReturnAddress *current = m_store.CurrentReturnAddress();
    if (!current)
        return;
    QString error;
    try {
        current->SetGraphicFile(EditGraphicFile->text());
    } catch (const Exception &e) {
        error = current->LoadError().isEmpty() ? e.Message() : current->LoadError();
    }
    GraphicChanged();
    // The name stays, so that mending the file and reloading brings the picture back.
    if (!error.isEmpty())
        MessageDlg(error, TMsgDlgType::Error, mbOK, 0);
}

void TDlgReturnAddresses::BtnClearClick()
{
    EditGraphicFile->clear();
    BtnReloadClick();
}

void TDlgReturnAddresses::BtnEditClick()
{
    const TReturnAddress *current = m_store.CurrentReturnAddress();
    if (!current)
        return;
    QString editor;
    GetDefaultPictureEditor(editor);
    if (RegIni)
        editor = RegIni->ReadString(QStringLiteral("Options"), QStringLiteral("GraphicEditor"), editor);
    // The file is one argument, whatever its name holds; no shell sees it.
    const QStringList arguments =
        current->GraphicFile().isEmpty() ? QStringList() : QStringList{current->GraphicFile()};
    if (editor.isEmpty() || !QProcess::startDetached(editor, arguments)) {
        MessageDlg(QStringLiteral("The picture editor \"%1\" could not be started.").arg(editor),
                   TMsgDlgType::Error, mbOK, 0);
        return;
    }
    if (RegIni)
        RegIni->WriteString(QStringLiteral("Options"), QStringLiteral("GraphicEditor"), editor);
}

void TDlgReturnAddresses::BtnChooseClipArtClick()
{
    TClipArtGallery *gallery = ClipArtGallery();
    const int kind = gallery ? gallery->Kind() : 0;
    if (kind == 1) {
        if (!m_store.CurrentReturnAddress())
            return;
        const QString folder = context().ClipArtPath;
        const QString target = !folder.isEmpty() && QFileInfo(folder).isDir()
                                   ? UniqueFileName(QStringLiteral(".jpg"), folder)
                                   : UniqueTempFileName(QStringLiteral(".jpg"));
        if (!gallery->Choose(target)) {
            // The name was taken for the clip; nothing was written to it.
            if (QFileInfo(target).size() == 0)
                QFile::remove(target);
            return;
        }
        EditGraphicFile->setText(target);
        BtnReloadClick();
    } else if (kind == 2) {
        if (!gallery->LaunchOrganizer())
            MessageDlg(QStringLiteral("Could not find the clip organizer. Can't import clip art."),
                       TMsgDlgType::Error, mbOK, 0);
    }
}

void TDlgReturnAddresses::DropFiles(const QStringList &Files)
{
    if (Files.isEmpty())
        return;
    show();
    raise();
    if (Files.size() > 1)
        MessageDlg(QStringLiteral("%1 files were selected, but Plikora will only open the first one.")
                       .arg(Files.size()),
                   TMsgDlgType::Information, mbOK, 20016);
    EditGraphicFile->setText(Files.first());
    BtnReloadClick();
    activateWindow();
}

void TDlgReturnAddresses::dragEnterEvent(QDragEnterEvent *event)
{
    if (!LocalFiles(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void TDlgReturnAddresses::dropEvent(QDropEvent *event)
{
    const QStringList files = LocalFiles(event->mimeData());
    if (files.isEmpty())
        return;
    event->acceptProposedAction();
    RunGuarded([this, files] { DropFiles(files); });
}
