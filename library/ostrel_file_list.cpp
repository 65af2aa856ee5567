#include "library/ostrel_file_list.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QUrl>

#include "platform/window_messages.h"
#include "platform/bitmap_button.h"
#include "platform/fonts.h"
#include "platform/skin.h"
#include "platform/skin_dialog.h"

#include "controls/grp_scrl.h"
#include "dialogs/message_texts.h"
#include "controls/slider_messages.h"

namespace moksel {
namespace {

constexpr int kSliderId = 2;
const QColor kTextColour(222, 222, 222);
const QColor kCutOffColour(255, 120, 64);  // a recording the camera could not finish
const QColor kIconKeyColour(243, 14, 254);
// Painted where a skin bitmap is missing.
const QColor kPlainBackground(37, 37, 37);
const QColor kPlainSelection(0, 96, 120);

std::vector<std::string> toPaths(const QStringList& paths) {
    std::vector<std::string> result;
    result.reserve(paths.size());
    for (const QString& path : paths) result.push_back(path.toStdString());
    return result;
}

QString folderDialog(QWidget* owner, const QString& startFolder) {
    return QFileDialog::getExistingDirectory(
        owner, QStringLiteral("MOKSEL 영상이 저장된 폴더를 선택하세요"), startFolder,
        QFileDialog::ShowDirsOnly);
}

QStringList filesDialog(QWidget* owner, const QString& startFolder) {
    QFileDialog dialog(owner, QStringLiteral("MOKSEL 파일 열기(복수 파일 선택 가능)"), startFolder);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    // The text shown is "MOKSEL Movie Files(*.mp4)"; the pattern in the last parentheses is
    // what the dialog matches names against.
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    dialog.setNameFilter(QStringLiteral("MOKSEL Movie Files(*.mp4) (???0_????????_??????.mp4)"));
    if (dialog.exec() != QDialog::Accepted) return {};
    return dialog.selectedFiles();
}

// The list's scroll bar is the pane's GrpScrl, driven through its slider messages; setting the
// position makes the slider report back to the pane with a vertical scroll notification.
class GrpScrlLink : public ListScrollBar {
public:
    explicit GrpScrlLink(GrpScrl* slider) : slider_(slider) {}
    void setRange(int minimum, int maximum) override {
        slider_->send(GSM_SETRANGE, word(minimum), static_cast<LParam>(maximum));
    }
    int maximum() const override { return static_cast<int>(slider_->send(GSM_GETMAX, 0, 0)); }
    void setPosition(int position) override { slider_->send(GSM_SETPOS, word(position), 0); }
    int position() const override { return static_cast<int>(slider_->send(GSM_GETPOS, 0, 0)); }

private:
    static WParam word(int value) { return static_cast<WParam>(static_cast<std::uint32_t>(value)); }
    GrpScrl* slider_;
};

QImage withKeyColourTransparent(const QImage& image, QColor key) {
    if (image.isNull()) return image;
    QImage result = image.convertToFormat(QImage::Format_ARGB32);
    const QRgb keyRgb = key.rgb() & 0xFFFFFF;
    for (int y = 0; y < result.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(result.scanLine(y));
        for (int x = 0; x < result.width(); ++x) {
            if ((line[x] & 0xFFFFFF) == keyRgb) line[x] = 0;
        }
    }
    return result;
}

}  // namespace

FileListSkin FileListSkin::fromSkin() {
    FileListSkin skin;
    skin.background = skinImage(131);
    skin.typeIcons = skinImage(147);
    skin.selectionBar = skinImage(148);
    return skin;
}

OstrelFileList::OstrelFileList(QWidget* parent)
    : Window<QWidget>(parent),
      rowFont_(skinFont(QStringLiteral("Arial"), 14, 500)),
      // The widest texts the camera's files give: its three name kinds with the widest digit
      // (the face's digits share one width), the date, and the largest size a list shows.
      dateFont_(fontFittingWidth(rowFont_, {QStringLiteral("00.00.00 00:00:00")}, kDateColumn.width)),
      nameFont_(fontFittingWidth(rowFont_,
                                 {QStringLiteral("drf0_00000000_000000"),
                                  QStringLiteral("evt0_00000000_000000"),
                                  QStringLiteral("mod0_00000000_000000")},
                                 kNameColumn.width)),
      sizeFont_(fontFittingWidth(rowFont_, {sizeText(0xFFFFFFFFULL)}, kSizeColumn.width)),
      chooseFolder_([this](QWidget* owner) { return folderDialog(owner, lastFolder_); }),
      chooseFiles_([this](QWidget* owner) { return filesDialog(owner, lastFolder_); }) {
    setFixedSize(kWidth, kHeight);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAcceptDrops(true);
    setSkin(FileListSkin::fromSkin());

    list_.setMainWindow(mainWindow());
    list_.setRepaintRows([this](bool unlessCovered) { repaintRows(unlessCovered); });
    list_.setNotice([this](const QString& text) {
        QMessageBox box(QMessageBox::NoIcon, QString(), text, QMessageBox::Ok, this);
        box.exec();
    });
    buildControls();
}

OstrelFileList::~OstrelFileList() {
    // The parent may already be half gone: nothing is reported or repainted any more.
    list_.setRepaintRows({});
    list_.setMainWindow(nullptr);
    list_.setScrollBar(nullptr);
    list_.stopScan();
    list_.ClearList();
}

void OstrelFileList::buildControls() {
    auto makeButton = [this](QRect geometry, int normal, int pressed) {
        auto* button = new BitmapButton(this);
        button->setGeometry(geometry);
        button->setBitmaps(normal, pressed, 0, 0);
        return button;
    };
    typeHeader_ = makeButton(QRect(0, 0, 33, 18), 196, 197);
    dateHeader_ = makeButton(QRect(33, 0, 103, 18), 194, 200);
    nameHeader_ = makeButton(QRect(136, 0, 131, 18), 201, 199);
    sizeHeader_ = makeButton(QRect(267, 0, 131, 18), 324, 0);  // the pane clips it to 77
    upButton_ = makeButton(QRect(330, 17, 14, 14), 205, 202);
    downButton_ = makeButton(QRect(330, 246, 14, 14), 203, 204);

    using Column = RecordingList::SortColumn;
    connect(typeHeader_, &QAbstractButton::clicked, this, [this] { list_.toggleSort(Column::Type); });
    connect(dateHeader_, &QAbstractButton::clicked, this, [this] { list_.toggleSort(Column::Date); });
    connect(nameHeader_, &QAbstractButton::clicked, this, [this] { list_.toggleSort(Column::Name); });
    connect(upButton_, &QAbstractButton::clicked, this, [this] { list_.scrollBy(-1); });
    connect(downButton_, &QAbstractButton::clicked, this, [this] { list_.scrollBy(1); });

    auto* slider = new GrpScrl(this, QRect(330, 31, 14, 215), false, kSliderId);
    slider_ = slider;
    sliderLink_ = std::make_unique<GrpScrlLink>(slider);
    list_.setScrollBar(sliderLink_.get());
}

void OstrelFileList::setSkin(FileListSkin skin) {
    skin.typeIcons = withKeyColourTransparent(skin.typeIcons, kIconKeyColour);
    skin_ = std::move(skin);
    update();
}

MessageTarget* OstrelFileList::mainWindow() const {
    return dynamic_cast<MessageTarget*>(parentWidget());
}

bool OstrelFileList::event(QEvent* e) {
    if (e->type() == QEvent::ParentChange) list_.setMainWindow(mainWindow());
    return Window<QWidget>::event(e);
}

void OstrelFileList::showEvent(QShowEvent* e) {
    Window<QWidget>::showEvent(e);
    if (!shownOnce_) {
        shownOnce_ = true;
        list_.ClearList();
    }
}

void OstrelFileList::repaintRows(bool unlessCovered) {
    if (unlessCovered) {
        MessageTarget* owner = mainWindow();
        if (owner != nullptr && owner->send(UM_IS_MAP_SHOWN, 0, 0) != 0) return;
    }
    repaint(rowsArea());
}

void OstrelFileList::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (skin_.background.isNull()) {
        painter.fillRect(rect(), kPlainBackground);
    } else {
        painter.drawImage(0, 0, skin_.background);
    }
    painter.setClipRect(rowsArea());
    painter.setFont(rowFont_);
    painter.setPen(kTextColour);

    const int top = list_.top();
    const int count = list_.count();
    // Unsigned difference: no selection, or one above the first row, draws no bar.
    const unsigned selectedRow = static_cast<unsigned>(list_.selection() - top);
    if (list_.selection() >= 0 && selectedRow < RecordingList::kVisibleRows) {
        const QRect bar(2, 18 + 20 * static_cast<int>(selectedRow), 330, 20);
        if (skin_.selectionBar.isNull()) {
            painter.fillRect(bar, kPlainSelection);
        } else {
            painter.drawImage(bar.topLeft(), skin_.selectionBar, QRect(0, 0, 330, 20));
        }
    }

    // Each text stays inside its column: the column fonts fit every text of the camera's own
    // naming; anything wider (a name of some other device) is shortened with "…".
    auto drawInColumn = [&painter](const QFont& font, TextColumn column, int y, const QString& text) {
        painter.setFont(font);
        const QString shown =
            QFontMetricsF(font).elidedText(text, Qt::ElideRight, column.width, Qt::TextSingleLine);
        painter.drawText(QRect(column.left, y, column.width, 18),
                         Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, shown);
    };
    for (int row = 0; row < RecordingList::kVisibleRows && top + row < count; ++row) {
        if (top + row < 0) continue;
        const int y = 21 + 20 * row;
        const RecordingEntry& entry = list_.entry(top + row);
        painter.setPen(entry.cutOff ? kCutOffColour : kTextColour);
        if (entry.type != RecordingType::Other && !skin_.typeIcons.isNull()) {
            const int iconX = 16 * static_cast<int>(entry.type);
            painter.drawImage(QPoint(10, y - 1), skin_.typeIcons, QRect(iconX, 0, 12, 16));
        }
        drawInColumn(dateFont_, kDateColumn, y, QString::fromStdString(entry.dateText));
        QString name = QString::fromStdString(entry.fileName);
        const qsizetype dot = name.indexOf(QLatin1Char('.'));
        if (dot >= 0) name.truncate(dot);  // the extension is not shown
        drawInColumn(nameFont_, kNameColumn, y, name);
        drawInColumn(sizeFont_, kSizeColumn, y, sizeText(entry.size));
    }
}

QString OstrelFileList::sizeText(std::uint64_t bytes) {
    return QString::asprintf("%.1fMB", static_cast<double>(bytes & 0xFFFFFFFFULL) / 1048576.0);
}

void OstrelFileList::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) {
        const QPoint at = e->position().toPoint();
        list_.click(at.x(), at.y());
    }
    Window<QWidget>::mouseReleaseEvent(e);
}

void OstrelFileList::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) {
        const QPoint at = e->position().toPoint();
        list_.doubleClick(at.x(), at.y());
    }
    Window<QWidget>::mouseDoubleClickEvent(e);
}

void OstrelFileList::keyPressEvent(QKeyEvent* e) {
    if (isSwallowedDialogKey(e->key())) {
        e->accept();
        return;
    }
    Window<QWidget>::keyPressEvent(e);
}

namespace {

QStringList localFiles(const QMimeData* data) {
    QStringList paths;
    if (data == nullptr || !data->hasUrls()) return paths;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile()) paths << url.toLocalFile();
    }
    return paths;
}

}  // namespace

void OstrelFileList::dragEnterEvent(QDragEnterEvent* e) {
    if (!localFiles(e->mimeData()).isEmpty()) e->acceptProposedAction();
}

void OstrelFileList::dragMoveEvent(QDragMoveEvent* e) {
    if (!localFiles(e->mimeData()).isEmpty()) e->acceptProposedAction();
}

void OstrelFileList::dropEvent(QDropEvent* e) {
    const QStringList paths = localFiles(e->mimeData());
    if (paths.isEmpty()) return;
    e->acceptProposedAction();
    // Scan after the drop has been answered, so the dragging program is not kept waiting.
    QMetaObject::invokeMethod(
        this, [this, paths] { addPathsAsDropped(paths); }, Qt::QueuedConnection);
}

void OstrelFileList::addPathsAsDropped(const QStringList& paths) {
    QStringList absolute;
    for (const QString& path : paths) {
        if (path.isEmpty()) continue;
        absolute << QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    }
    if (absolute.isEmpty()) return;
    list_.drop(toPaths(absolute));
    sayWhyNothingIsListed();
}

void OstrelFileList::openFromCommandLine(const QStringList& paths) {
    const int before = list_.count();
    addPathsAsDropped(paths);
    if (paths.size() == 1 && QFileInfo(paths.front()).isFile() && list_.count() == before + 1) {
        list_.play(before);
    }
}

const MessageMap<OstrelFileList>& OstrelFileList::messageMap() {
    static const MessageMap<OstrelFileList> map = {
        {UM_LIST_NEXT, &OstrelFileList::onListNext},
        {UM_LIST_PREV, &OstrelFileList::onListPrev},
        {UM_LIST_OPEN_FOLDER, &OstrelFileList::onOpenFolder},
        {UM_LIST_OPEN_FILES, &OstrelFileList::onOpenFiles},
        {UM_LIST_WHEEL, &OstrelFileList::onWheel},
        {UM_SCAN_CANCEL, &OstrelFileList::onScanCancel},
        {UM_DRIVE_FORMATTED, &OstrelFileList::onDriveFormatted},
        {UM_LIST_CLEAR, &OstrelFileList::onListClear},
        {UM_SCAN_DRIVE, &OstrelFileList::onScanDrive},
        {GSM_NOTIFY_VSCROLL, &OstrelFileList::onVerticalScroll},
    };
    return map;
}

LResult OstrelFileList::handleMessage(unsigned number, WParam w, LParam l) {
    return messageMap().dispatch(*this, number, w, l);
}

LResult OstrelFileList::onListNext(WParam, LParam) {
    list_.SelectNext();
    return 0;
}

LResult OstrelFileList::onListPrev(WParam, LParam) {
    list_.SelectPrevious();
    return 0;
}

LResult OstrelFileList::onOpenFolder(WParam, LParam) {
    const QString folder = chooseFolder_ ? chooseFolder_(this) : QString();
    if (folder.isEmpty()) return 0;  // cancelled: the list stays as it is
    lastFolder_ = QDir::cleanPath(folder);
    list_.scanTree(QDir::cleanPath(folder).toStdString());
    sayWhyNothingIsListed();
    return 0;
}

void OstrelFileList::sayWhyNothingIsListed() {
    // A scan the user stopped found what it found; a list with rows says enough.
    if (list_.count() > 0 || list_.scanStopped()) return;
    MessageTarget* owner = mainWindow();
    if (owner == nullptr) return;
    owner->send(UM_SHOW_MESSAGE, list_.rearFilesPassed() > 0 ? kMsgRearFilesOnly : kMsgNoRecordingsFound, 0);
}

LResult OstrelFileList::onOpenFiles(WParam, LParam) {
    const QStringList files = chooseFiles_ ? chooseFiles_(this) : QStringList();
    if (files.isEmpty()) return 0;
    lastFolder_ = QFileInfo(files.front()).absolutePath();
    list_.openFiles(toPaths(files));
    return 0;
}

LResult OstrelFileList::onWheel(WParam w, LParam) {
    list_.scrollBy(w == 0 ? 1 : -1);
    return 0;
}

LResult OstrelFileList::onScanCancel(WParam, LParam) {
    list_.stopScan();
    return 0;
}

LResult OstrelFileList::onDriveFormatted(WParam w, LParam) {
    const auto* root = reinterpret_cast<const QString*>(w);
    if (root != nullptr) list_.RemoveDrive(root->toStdString());
    return 0;
}

LResult OstrelFileList::onListClear(WParam, LParam) {
    list_.ClearList();
    repaintRows(false);
    return 0;
}

LResult OstrelFileList::onScanDrive(WParam w, LParam) {
    const auto* root = reinterpret_cast<const QString*>(w);
    // Copied: the scan drains the event queue, and the sender's string may change meanwhile.
    if (root != nullptr && !root->isEmpty()) list_.scanTree(root->toStdString());
    return 0;
}

LResult OstrelFileList::onVerticalScroll(WParam, LParam) {
    // The slider's own position, not the notification's 16-bit copy, so lists of more than
    // 65535 rows scroll right too.
    list_.scrolledTo(list_.scrollBar().position());
    return 0;
}

}  // namespace moksel
