// The two skinned message boxes: COstrelOneButtonMessageBox (OK) for notices and
// OstrelTwoButtonMessageBox (OK and cancel) for questions. A box shows the title and up to two
// lines of its code's texts (message_texts.h) over its skin, places itself at (364, 276) from
// the main window's top-left corner each time it is shown, swallows Enter and Escape so only
// its buttons close it, and follows the mouse when its background is dragged.
//
// Results: OK (control id 1) closes with 1, cancel (control id 2) with 2.
//
// The main window runs the boxes after its pause step (UM_SHOW_MESSAGE, UM_ASK):
//     showOneButtonMessage(mainWindow, code);
//     if (askTwoButtonQuestion(mainWindow, code) == kBoxOk) ...
//
// Thread contract: UI thread only.
#pragma once

#include <QImage>

#include "dialogs/message_texts.h"
#include "platform/bitmap_button.h"
#include "platform/skin_dialog.h"

namespace moksel {

constexpr int kBoxOk = 1;
constexpr int kBoxCancel = 2;

// What both boxes share: the code, the fonts, the painting and the placement.
class SkinMessageBox : public SkinDialog {
public:
    static constexpr QPoint kOffsetFromMainWindow{364, 276};
    static constexpr QSize kSize{297, 216};

    void setCode(int code);
    int code() const { return code_; }
    // A text shown as the second line when the code has none (what a failed tool reported);
    // empty: none.
    void setDetail(const QString& detail);
    // The texts the box shows for its current code.
    virtual MessageText texts() const = 0;

    // Runs the box modally with `code` and returns its result.
    int run(int code);

    // The box's picture for its current code, as it is copied to the screen, painted at
    // `scale` device pixels per box pixel (the screen's pixel density).
    QImage picture(qreal scale = 1.0) const;
    // The light panel the text lines are centred on.
    static constexpr QRect kTextPanel{6, 68, 285, 92};

    // Only the buttons close a box; closing by other means is refused.
    void reject() override {}

protected:
    SkinMessageBox(QWidget* mainWindow, int backgroundBitmap);
    BitmapButton* addButton(int controlId, QPoint at, int normalBitmap, int pressedBitmap);

    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QWidget* mainWindow_;
    int backgroundBitmap_;
    int code_ = 0;
    QString detail_;
};

class COstrelOneButtonMessageBox : public SkinMessageBox {
public:
    explicit COstrelOneButtonMessageBox(QWidget* mainWindow);
    MessageText texts() const override { return oneButtonText(code()); }
    BitmapButton* okButton() const { return ok_; }

private:
    BitmapButton* ok_;
};

class OstrelTwoButtonMessageBox : public SkinMessageBox {
public:
    explicit OstrelTwoButtonMessageBox(QWidget* mainWindow);
    MessageText texts() const override { return twoButtonText(code()); }
    BitmapButton* okButton() const { return ok_; }
    BitmapButton* cancelButton() const { return cancel_; }

private:
    BitmapButton* ok_;
    BitmapButton* cancel_;
};

// Runs a notice box over `mainWindow` and returns when the user has pressed OK (result 1).
int showOneButtonMessage(QWidget* mainWindow, int code, const QString& detail = QString());
// Runs a question box over `mainWindow`; returns kBoxOk (1) or kBoxCancel (2).
int askTwoButtonQuestion(QWidget* mainWindow, int code);

}  // namespace moksel
