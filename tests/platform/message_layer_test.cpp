// The message layer: ordering of posted messages, synchronous sends across threads and
// repaints that return only after the paint.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "platform/window.h"

namespace moksel {
namespace {

constexpr unsigned kAdd = 0x401;
constexpr unsigned kAsk = 0x402;

// A window that logs what it handles and on which thread.
class ProbeWindow : public Window<QWidget> {
public:
    std::vector<std::pair<int, int>> received;  // (sender, sequence)
    QThread* handlerThread = nullptr;
    std::atomic<int> paints{0};

protected:
    LResult handleMessage(unsigned number, WParam w, LParam l) override {
        return messageMap().dispatch(*this, number, w, l);
    }
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::black);
        ++paints;
    }

private:
    static const MessageMap<ProbeWindow>& messageMap() {
        static const MessageMap<ProbeWindow> map = {
            {kAdd, &ProbeWindow::onAdd},
            {kAsk, &ProbeWindow::onAsk},
        };
        return map;
    }
    LResult onAdd(WParam sender, LParam sequence) {
        received.emplace_back(static_cast<int>(sender), static_cast<int>(sequence));
        return 0;
    }
    LResult onAsk(WParam a, LParam b) {
        handlerThread = QThread::currentThread();
        return static_cast<LResult>(a) * 1000 + b;
    }
};

void pumpUntil(const std::function<bool()>& done) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < 20000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
}

TEST(MessageLayer, PostedMessagesKeepEachSendersOrderUnderLoad) {
    ProbeWindow window;
    constexpr int kSenders = 4;
    constexpr int kEach = 2000;
    std::vector<std::thread> senders;
    for (int s = 0; s < kSenders; ++s) {
        senders.emplace_back([&window, s] {
            for (int i = 0; i < kEach; ++i) window.post(kAdd, s, i);
        });
    }
    for (auto& t : senders) t.join();
    pumpUntil([&] { return window.received.size() == kSenders * kEach; });
    ASSERT_EQ(window.received.size(), static_cast<size_t>(kSenders * kEach));
    std::vector<int> next(kSenders, 0);
    for (const auto& [sender, sequence] : window.received) {
        ASSERT_EQ(sequence, next[sender]) << "sender " << sender;
        ++next[sender];
    }
}

TEST(MessageLayer, PostFromTheUiThreadIsQueuedNotCalled) {
    ProbeWindow window;
    window.post(kAdd, 7, 1);
    EXPECT_TRUE(window.received.empty());
    pumpUntil([&] { return !window.received.empty(); });
    ASSERT_EQ(window.received.size(), 1u);
    EXPECT_EQ(window.received[0], std::make_pair(7, 1));
}

TEST(MessageLayer, SendReturnsTheHandlersResultOnEitherThread) {
    ProbeWindow window;
    EXPECT_EQ(window.send(kAsk, 3, 4), 3004);
    EXPECT_EQ(window.handlerThread, QThread::currentThread());

    window.handlerThread = nullptr;
    std::atomic<LResult> result{-1};
    std::atomic<bool> done{false};
    std::thread worker([&] {
        result = window.send(kAsk, 12, 34);
        done = true;
    });
    pumpUntil([&] { return done.load(); });
    worker.join();
    EXPECT_EQ(result.load(), 12034);
    EXPECT_EQ(window.handlerThread, QCoreApplication::instance()->thread());
}

// The engine posts a notice and then sends the end of an open: the send is handled first, as
// the window must start playing before the notice's pause step can pause it.
TEST(MessageLayer, ASendFromAnotherThreadIsHandledBeforeEarlierPosts) {
    ProbeWindow window;
    std::atomic<bool> posted{false};
    std::atomic<bool> done{false};
    std::thread worker([&] {
        window.post(kAdd, 1, 1);
        window.post(kAdd, 1, 2);
        posted = true;
        window.send(kAdd, 2, 1);
        done = true;
    });
    // The UI thread handles nothing until all three are queued.
    while (!posted.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    pumpUntil([&] { return done.load() && window.received.size() == 3; });
    worker.join();
    ASSERT_EQ(window.received.size(), 3u);
    EXPECT_EQ(window.received[0], std::make_pair(2, 1));
    EXPECT_EQ(window.received[1], std::make_pair(1, 1));
    EXPECT_EQ(window.received[2], std::make_pair(1, 2));
}

TEST(MessageLayer, UnknownMessagesAnswerZero) {
    ProbeWindow window;
    EXPECT_EQ(window.send(0x499, 1, 2), 0);
}

TEST(MessageLayer, RepaintNowFromAWorkerReturnsAfterThePaint) {
    ProbeWindow window;
    window.resize(40, 30);
    window.show();
    pumpUntil([&] { return window.paints.load() > 0; });
    const int before = window.paints.load();

    std::atomic<int> seenAfterReturn{-1};
    std::atomic<bool> done{false};
    std::thread worker([&] {
        window.repaintNow();
        seenAfterReturn = window.paints.load();
        done = true;
    });
    pumpUntil([&] { return done.load(); });
    worker.join();
    EXPECT_GT(seenAfterReturn.load(), before);
}

}  // namespace
}  // namespace moksel
