// OstrelAbout: the box that tells which version of the viewer runs. The main window creates it
// hidden at start-up and its information button (1017) toggles it. It is modeless: the main
// window goes on playing while it shows.
//
// Each time it is shown or hidden it places itself at (364, 268) from the main window's top-left
// corner, so it reappears at the same place even after it was dragged. Its close button, Enter
// and Escape hide it; a left press on its background drags it.
//
// Thread contract: UI thread only.
#pragma once

#include <QPoint>
#include <QString>

#include "platform/skin_dialog.h"

namespace moksel {

class BitmapButton;

class OstrelAbout : public SkinDialog {
public:
    static constexpr int kWidth = 297;
    static constexpr int kHeight = 233;
    static constexpr QPoint kOffset{364, 268};     // from the main window's top-left corner
    static constexpr QPoint kVersionAt{120, 133};  // top-left of the version text
    static constexpr int kCloseButtonId = 1017;

    explicit OstrelAbout(QWidget* mainWindow = nullptr);

    // "Ver 1.1", the release the box names.
    static QString versionText();

    // Shows the box when it is hidden, hides it when it is shown.
    void toggle();

    BitmapButton* closeButton() const { return closeButton_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void place();

    BitmapButton* closeButton_ = nullptr;
};

}  // namespace moksel
