#include "mainwindow/engine_link.h"

#include "engine/engine.h"

namespace moksel {
namespace {

// The viewer's engine: the engine thread and the operations of the engine library.
class RealEngineLink : public EngineLink {
public:
    ~RealEngineLink() override {
        if (thread_) thread_->join();
    }
    void start(MessageTarget* mainWindow) override { thread_ = startEngine(mainWindow); }
    void push(EngineCommand command, const char* path) override { pushEngineCommand(command, path); }
    bool waitForEnd(std::chrono::milliseconds timeout) override {
        return !thread_ || thread_->waitForEnd(timeout);
    }
    void join() override {
        if (thread_) thread_->join();
    }
    void requestQuit() override { requestEngineQuit(); }
    void pauseOutput() override { pausePlaybackOutput(); }
    void pauseSound() override { moksel::pauseSound(); }
    void resumeSoundAtNormalSpeed() override { moksel::resumeSoundAtNormalSpeed(); }
    void applyColourAdjustment() override { moksel::applyColourAdjustment(); }
    void changeFrontZoom(int wheelDelta) override { moksel::changeFrontZoom(wheelDelta); }
    void changeRearZoom(int wheelDelta) override { moksel::changeRearZoom(wheelDelta); }
    void seekStill(int positionTenths) override { moksel::seekStill(positionTenths); }
    void showLastFrame() override { moksel::showLastFrame(); }
    void renderLargeStills(int adopt) override { moksel::renderLargeStills(adopt); }
    void renderZoomStills() override { moksel::renderZoomStills(); }

private:
    std::unique_ptr<EngineThread> thread_;
};

}  // namespace

std::unique_ptr<EngineLink> makeEngineLink() { return std::make_unique<RealEngineLink>(); }

}  // namespace moksel
