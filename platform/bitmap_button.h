// A skinned push button drawn from four skin bitmaps: normal, pressed, focus and disabled.
// UI thread only.
#pragma once

#include <QAbstractButton>
#include <QPixmap>

namespace moksel {

class BitmapButton : public QAbstractButton {
public:
    explicit BitmapButton(QWidget* parent = nullptr);

    // Takes the four bitmaps by resource number; 0 leaves that state on the normal bitmap.
    void setBitmaps(int normal, int pressed, int focus, int disabled);
    void setBitmaps(QPixmap normal, QPixmap pressed, QPixmap focus, QPixmap disabled);

    // The bitmap the button shows in its present state.
    const QPixmap& currentBitmap() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap normal_, pressed_, focus_, disabled_;
};

}  // namespace moksel
