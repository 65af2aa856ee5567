#include "dialogs/export_boxes.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>

#include "platform/bitmap_button.h"
#include "platform/fonts.h"

namespace moksel {
namespace {

const QColor kGraphite(37, 37, 37);
const QColor kText(222, 222, 222);
const QColor kAccent(0, 204, 255);

// The skin's dialog buttons (78 x 28).
constexpr int kOkNormal = 247, kOkPressed = 248;
constexpr int kCancelNormal = 251, kCancelPressed = 252;
constexpr int kNoticeOkNormal = 249, kNoticeOkPressed = 250;

// Child controls in the skin's colours: dark fields, light text, a cyan edge where focused.
const char* const kStyle =
    "QLabel { color: rgb(222,222,222); }"
    "QCheckBox { color: rgb(222,222,222); spacing: 6px; }"
    "QCheckBox::indicator { width: 12px; height: 12px; border: 1px solid rgb(90,92,96);"
    "  background: rgb(20,20,22); }"
    "QCheckBox::indicator:checked { background: rgb(0,204,255); border-color: rgb(0,204,255); }"
    "QDoubleSpinBox, QLineEdit, QComboBox { color: rgb(222,222,222); background: rgb(20,20,22);"
    "  border: 1px solid rgb(70,72,76); padding: 1px 4px; selection-background-color: rgb(0,120,150); }"
    "QDoubleSpinBox:focus, QLineEdit:focus, QComboBox:focus { border-color: rgb(0,204,255); }"
    "QComboBox QAbstractItemView { color: rgb(222,222,222); background: rgb(30,30,32);"
    "  selection-background-color: rgb(0,120,150); }"
    "QPushButton { color: rgb(222,222,222); background: rgb(52,54,58); border: 1px solid rgb(80,82,86);"
    "  padding: 2px 8px; }"
    "QPushButton:pressed { color: rgb(0,204,255); }"
    "QProgressBar { background: rgb(10,10,12); border: 1px solid rgb(70,72,76); color: rgb(222,222,222);"
    "  text-align: center; }"
    "QProgressBar::chunk { background: qlineargradient(x1:0,y1:0,x2:0,y2:1, stop:0 rgb(80,225,255),"
    "  stop:1 rgb(0,150,190)); }";

void paintPanel(QWidget* box, const QString& title) {
    QPainter p(box);
    p.fillRect(box->rect(), kGraphite);
    p.setPen(QColor(70, 72, 76));
    p.drawRect(box->rect().adjusted(0, 0, -1, -1));
    p.fillRect(QRect(0, 0, box->width(), 3), kAccent);
    p.setFont(skinFont(QStringLiteral("돋움"), 16, 900));
    p.setPen(kText);
    p.drawText(QRect(20, 14, box->width() - 40, 22), Qt::AlignLeft | Qt::AlignVCenter, title);
    p.fillRect(QRect(20, 40, box->width() - 40, 1), QColor(70, 72, 76));
}

BitmapButton* skinButton(QWidget* parent, QPoint at, int normal, int pressed, const char* name) {
    auto* b = new BitmapButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setBitmaps(normal, pressed, 0, 0);
    b->setGeometry(QRect(at, QSize(78, 28)));
    return b;
}

// The file name endings and save dialog filters of the formats, in the format box's order.
const char* const kEndings[] = {"mp4", "gpx", "kml", "csv"};
const char* const kFilters[] = {"MP4 (*.mp4)", "GPX (*.gpx)", "KML (*.kml)", "CSV (*.csv)"};

QLabel* caption(QWidget* parent, const QString& text, int y) {
    auto* l = new QLabel(text, parent);
    l->setFont(skinFont(QStringLiteral("돋움"), 13, 500));
    l->setGeometry(20, y, 90, 22);
    return l;
}

}  // namespace

OstrelExportOptionsBox::OstrelExportOptionsBox(QWidget* mainWindow, const ExportChoices& initial,
                                               double lengthS)
    : SkinDialog(mainWindow), mainWindow_(mainWindow) {
    setObjectName(QStringLiteral("OstrelExportOptionsBox"));
    setFixedSize(kSize);
    setStyleSheet(QString::fromLatin1(kStyle));
    const QFont font = skinFont(QStringLiteral("돋움"), 13, 500);

    caption(this, QStringLiteral("내보낼 것"), 54);
    format_ = new QComboBox(this);
    format_->setObjectName(QStringLiteral("format"));
    format_->setFont(font);
    format_->addItems({QStringLiteral("영상 (MP4)"), QStringLiteral("GPS 경로 (GPX)"),
                       QStringLiteral("GPS 경로 (KML)"), QStringLiteral("GPS 경로 (CSV)")});
    format_->setGeometry(110, 54, 200, 22);
    constexpr int kRow = 32;  // everything below the format row moves down by one row
    caption(this, QStringLiteral("구간 (초)"), 54 + kRow);
    auto spin = [&](int x, double value) {
        auto* s = new QDoubleSpinBox(this);
        s->setFont(font);
        s->setDecimals(3);  // ms: a range from the A-B markers holds exactly their pictures
        s->setRange(0, 86400);
        s->setSingleStep(1);
        s->setValue(value);
        s->setGeometry(x, 54 + kRow, 90, 22);
        return s;
    };
    from_ = spin(110, initial.fromS);
    auto* dash = new QLabel(QStringLiteral("~"), this);
    dash->setGeometry(206, 54 + kRow, 12, 22);
    to_ = spin(220, initial.toS);
    from_->setObjectName(QStringLiteral("from"));
    to_->setObjectName(QStringLiteral("to"));
    from_->setMaximum(lengthS);
    continue_ = new QCheckBox(QStringLiteral("다음 파일까지 이어서"), this);
    continue_->setObjectName(QStringLiteral("continue"));
    continue_->setFont(font);
    continue_->setChecked(initial.continueDrive);
    continue_->setGeometry(110, 82 + kRow, 260, 22);
    // Without continuing the range ends with the recording.
    auto bound = [this, lengthS] { to_->setMaximum(continue_->isChecked() ? 86400 : lengthS); };
    connect(continue_, &QCheckBox::toggled, this, bound);
    bound();
    to_->setValue(initial.toS);

    caption(this, QStringLiteral("화면 구성"), 114 + kRow);
    layout_ = new QComboBox(this);
    layout_->setObjectName(QStringLiteral("layout"));
    layout_->setFont(font);
    layout_->addItems({QStringLiteral("전방 + 후방 나란히"), QStringLiteral("전방 + 후방 작은 화면"),
                       QStringLiteral("전방만"), QStringLiteral("후방만")});
    layout_->setCurrentIndex(initial.layout);
    layout_->setGeometry(110, 114 + kRow, 200, 22);

    overlay_ = new QCheckBox(QStringLiteral("시각 · 속도 · 위치 · G 표시"), this);
    overlay_->setObjectName(QStringLiteral("overlay"));
    overlay_->setFont(font);
    overlay_->setChecked(initial.overlay);
    overlay_->setGeometry(110, 146 + kRow, 260, 22);

    caption(this, QStringLiteral("저장 위치"), 180 + kRow);
    destination_ = new QLineEdit(initial.destination, this);
    destination_->setObjectName(QStringLiteral("destination"));
    destination_->setFont(font);
    destination_->setGeometry(110, 180 + kRow, 220, 22);
    auto* browse = new QPushButton(QStringLiteral("..."), this);
    browse->setObjectName(QStringLiteral("browse"));
    browse->setGeometry(336, 180 + kRow, 44, 22);
    chooseDestination = [this](QWidget* owner, const QString& current) {
        const int format = format_->currentIndex();
        return QFileDialog::getSaveFileName(owner, QStringLiteral("내보낼 파일"), current,
                                            QString::fromLatin1(kFilters[format]));
    };
    connect(browse, &QPushButton::clicked, this, [this] {
        const QString chosen = chooseDestination ? chooseDestination(this, destination_->text()) : QString();
        if (!chosen.isEmpty()) destination_->setText(chosen);
    });

    format_->setCurrentIndex(initial.format);
    formatChanged(initial.format);
    connect(format_, &QComboBox::currentIndexChanged, this, &OstrelExportOptionsBox::formatChanged);
    ok_ = skinButton(this, QPoint(104, 240 + kRow), kOkNormal, kOkPressed, "ok");
    cancel_ = skinButton(this, QPoint(218, 240 + kRow), kCancelNormal, kCancelPressed, "cancel");
    connect(ok_, &QAbstractButton::clicked, this, [this] {
        if (!destination_->text().trimmed().isEmpty() && to_->value() > from_->value()) accept();
    });
    connect(cancel_, &QAbstractButton::clicked, this, &QDialog::reject);
}

void OstrelExportOptionsBox::formatChanged(int format) {
    if (format < 0 || format > 3) return;
    layout_->setEnabled(format == 0);
    overlay_->setEnabled(format == 0);
    QString path = destination_->text().trimmed();
    if (path.isEmpty()) return;
    const QFileInfo info(path);
    const QString ending = info.suffix().toLower();
    for (const char* known : kEndings) {
        if (ending == QLatin1String(known)) {
            path.chop(ending.size() + 1);
            break;
        }
    }
    destination_->setText(path + QLatin1Char('.') + QLatin1String(kEndings[format]));
}

ExportChoices OstrelExportOptionsBox::choices() const {
    ExportChoices c;
    c.format = format_->currentIndex();
    c.fromS = from_->value();
    c.toS = to_->value();
    c.continueDrive = continue_->isChecked();
    c.layout = layout_->currentIndex();
    c.overlay = overlay_->isChecked();
    c.destination = destination_->text().trimmed();
    return c;
}

void OstrelExportOptionsBox::showEvent(QShowEvent* event) {
    SkinDialog::showEvent(event);
    placeAtOffset(mainWindow_, kOffsetFromMainWindow);
}

void OstrelExportOptionsBox::paintEvent(QPaintEvent*) {
    paintPanel(this, QStringLiteral("내보내기"));
}

OstrelExportProgressBox::OstrelExportProgressBox(QWidget* mainWindow)
    : SkinDialog(mainWindow), mainWindow_(mainWindow), title_(QStringLiteral("내보내는 중")) {
    setObjectName(QStringLiteral("OstrelExportProgressBox"));
    setFixedSize(kSize);
    setStyleSheet(QString::fromLatin1(kStyle));
    status_ = new QLabel(QStringLiteral("준비 중..."), this);
    status_->setFont(skinFont(QStringLiteral("돋움"), 13, 500));
    status_->setGeometry(20, 50, 320, 36);
    status_->setWordWrap(true);
    bar_ = new QProgressBar(this);
    bar_->setGeometry(20, 90, 320, 16);
    bar_->setRange(0, 1);
    bar_->setValue(0);
    bar_->setTextVisible(false);
    button_ = skinButton(this, QPoint(141, 124), kCancelNormal, kCancelPressed, "cancel");
    connect(button_, &QAbstractButton::clicked, this, [this] {
        if (finished_) {
            accept();
        } else if (onCancel) {
            status_->setText(QStringLiteral("취소하는 중..."));
            button_->setEnabled(false);
            onCancel();
        }
    });
}

void OstrelExportProgressBox::setProgress(int doneFrames, int totalFrames) {
    if (finished_) return;
    bar_->setRange(0, std::max(1, totalFrames));
    bar_->setValue(doneFrames);
    if (button_->isEnabled())
        status_->setText(QStringLiteral("%1 / %2 프레임").arg(doneFrames).arg(totalFrames));
}

void OstrelExportProgressBox::showOutcome(Outcome outcome, const QString& text) {
    finished_ = true;
    title_ = outcome == Outcome::Done     ? QStringLiteral("내보내기 완료")
             : outcome == Outcome::Failed ? QStringLiteral("내보내기 실패")
                                          : QStringLiteral("내보내기 취소");
    if (outcome == Outcome::Done) bar_->setValue(bar_->maximum());
    status_->setText(text);
    button_->setBitmaps(kNoticeOkNormal, kNoticeOkPressed, 0, 0);
    button_->setObjectName(QStringLiteral("ok"));
    button_->setEnabled(true);
    update();
}

QString OstrelExportProgressBox::text() const { return status_->text(); }

void OstrelExportProgressBox::showEvent(QShowEvent* event) {
    SkinDialog::showEvent(event);
    placeAtOffset(mainWindow_, kOffsetFromMainWindow);
}

void OstrelExportProgressBox::paintEvent(QPaintEvent*) { paintPanel(this, title_); }

}  // namespace moksel
