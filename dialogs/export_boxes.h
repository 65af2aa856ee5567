// The boxes of the export: the options box (what to write: the video or the GPS track as GPX,
// KML or CSV; range, layout, overlay, destination) and the
// progress box (a moving bar and a cancel button; at the end the outcome, with the reason of a
// failure). Both are drawn in the skin's style: a graphite panel with a cyan rule, light text,
// the skin's OK and cancel buttons.
//
// Thread contract: UI thread only. The export itself runs elsewhere and reports to the
// progress box through queued calls.
#pragma once

#include <QString>
#include <functional>

#include "platform/skin_dialog.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QProgressBar;

namespace moksel {

class BitmapButton;

// What the user chose; layout 0 side by side, 1 picture in picture, 2 front, 3 rear; format 0
// the video (MP4), 1 the track as GPX, 2 as KML, 3 as CSV.
struct ExportChoices {
    int format = 0;
    double fromS = 0, toS = 0;
    bool continueDrive = false;
    int layout = 0;
    bool overlay = true;
    QString destination;
};

class OstrelExportOptionsBox : public SkinDialog {
public:
    static constexpr QPoint kOffsetFromMainWindow{312, 230};
    static constexpr QSize kSize{400, 322};

    // `lengthS`: the recording's length, the range's upper bound (continuing may go further).
    OstrelExportOptionsBox(QWidget* mainWindow, const ExportChoices& initial, double lengthS);

    ExportChoices choices() const;
    // Asks for the destination file; replaced by tests. Returns empty when cancelled.
    std::function<QString(QWidget* owner, const QString& current)> chooseDestination;

    BitmapButton* okButton() const { return ok_; }
    BitmapButton* cancelButton() const { return cancel_; }

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // A new format: the layout and overlay apply to the video only, and the destination's
    // file name ending follows the format.
    void formatChanged(int format);

    QWidget* mainWindow_;
    QComboBox* format_;
    QDoubleSpinBox* from_;
    QDoubleSpinBox* to_;
    QCheckBox* continue_;
    QComboBox* layout_;
    QCheckBox* overlay_;
    QLineEdit* destination_;
    BitmapButton* ok_;
    BitmapButton* cancel_;
};

class OstrelExportProgressBox : public SkinDialog {
public:
    static constexpr QPoint kOffsetFromMainWindow{332, 290};
    static constexpr QSize kSize{360, 170};

    explicit OstrelExportProgressBox(QWidget* mainWindow);

    void setProgress(int doneFrames, int totalFrames);
    // The export has ended: the title says whether it was done, failed or cancelled, the text
    // says how; the button now closes the box.
    enum class Outcome { Done, Failed, Cancelled };
    void showOutcome(Outcome outcome, const QString& text);
    void showOutcome(bool succeeded, const QString& text) {
        showOutcome(succeeded ? Outcome::Done : Outcome::Failed, text);
    }
    const QString& title() const { return title_; }
    // Called when the user presses cancel while the export runs.
    std::function<void()> onCancel;

    QProgressBar* bar() const { return bar_; }
    BitmapButton* button() const { return button_; }
    bool finished() const { return finished_; }
    QString text() const;

    // Only the button closes the box.
    void reject() override {}

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QWidget* mainWindow_;
    QLabel* status_;
    QProgressBar* bar_;
    BitmapButton* button_;
    bool finished_ = false;
    QString title_;
};

}  // namespace moksel
