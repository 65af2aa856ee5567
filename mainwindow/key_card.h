// KeyCard: the card that lists the viewer's keys (F1 or ?). It lies over the whole window it is
// shown in (the main window or the enlarged window), dims it and draws the list on a panel in
// the skin's colours; any key or any click in that window closes it, and that key or click does
// nothing else.
//
// Thread contract: UI thread only.
#pragma once

#include <QWidget>

namespace moksel {

class KeyCard : public QWidget {
public:
    // Shows the card over `window` (a top-level window); a card already shown there stays.
    static KeyCard* showOver(QWidget* window);
    // The card shown over `window`, or null.
    static KeyCard* shownOver(QWidget* window);

    static constexpr int kPanelWidth = 560;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    explicit KeyCard(QWidget* window);
    void closeCard();
};

}  // namespace moksel
