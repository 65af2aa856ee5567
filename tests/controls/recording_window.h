// A parent window for slider tests that logs every message it receives.
#pragma once

#include <QKeyEvent>
#include <vector>

#include "platform/window_messages.h"
#include "platform/window.h"

namespace moksel {

class RecordingWindow : public Window<QWidget> {
public:
    struct Message {
        unsigned number;
        WParam wParam;
        LParam lParam;
    };
    using Window<QWidget>::Window;

    std::vector<Message> log;
    LResult mapShownAnswer = 0;
    std::vector<int> keysReached;  // keys that travelled up to this window

    std::vector<unsigned> numbers() const {
        std::vector<unsigned> result;
        for (const Message& m : log) result.push_back(m.number);
        return result;
    }
    int count(unsigned number) const {
        int n = 0;
        for (const Message& m : log) n += m.number == number ? 1 : 0;
        return n;
    }

protected:
    LResult handleMessage(unsigned number, WParam w, LParam l) override {
        log.push_back({number, w, l});
        return number == UM_IS_MAP_SHOWN ? mapShownAnswer : 0;
    }
    void keyPressEvent(QKeyEvent* event) override { keysReached.push_back(event->key()); }
};

}  // namespace moksel
