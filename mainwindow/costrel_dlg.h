// The main window: one borderless 1024 x 768 window at (0, 0) drawn from the skin. It owns
// every button, every pane and the engine thread, handles the messages the engine and the
// panes send it and forwards the others to the pane that shows them.
//
// Life: construction builds nothing visible; initialise() lays out the buttons and panes,
// publishes the windows for the engine and starts the engine thread last. The exit button
// queues Stop, Close and Quit; on UM_ENGINE_ENDED the window waits for the engine thread while
// it keeps serving its own event queue, joins it and ends its modal loop. An engine that ends
// without having been asked (it could not start, e.g. no sound device) leaves the window open:
// a notice goes to stderr, opening a recording reports that it cannot be read, and only the
// exit command closes the window.
//
// Thread contract: UI thread only. The engine reaches the window through the message layer
// (posted reports; UM_RECORDING_LENGTH, UM_OPEN_DONE and a UM_SPEED sent) and the window never
// blocks on the engine.
#pragma once

#include <QFont>
#include <QPixmap>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "mainwindow/device_services.h"
#include "mainwindow/engine_link.h"
#include "mainwindow/layout_tables.h"
#include "platform/skin_dialog.h"
#include "platform/window.h"

class QAbstractButton;
class QPushButton;

namespace moksel {

class BitmapButton;
class MountWatcher;
class OstrelFileList;
class OstrelMovieEntire;
struct RepairSession;
class VideoView;

class COstrelDlg : public Window<QDialog> {
public:
    // Runs a one-button box (code) or a two-button box (code, returns its result) modally.
    using BoxRunner = std::function<int(QWidget* mainWindow, int code)>;

    explicit COstrelDlg(std::unique_ptr<EngineLink> engine = makeEngineLink(),
                        QWidget* parent = nullptr);
    ~COstrelDlg() override;

    // The window's initialisation: icon and title, format check, place and size, skin, buttons,
    // panes, publishing the windows for the engine, the engine thread, the repeat button and
    // markers, the map page, the watch for the camera's card. Runs once, before the window is
    // shown.
    void initialise();

    // Replaces what the device, save and format commands take from the system (tests); before
    // initialise().
    void setDeviceServices(DeviceServices services);

    // Adds the files and folders given on the command line to the recording list as if they
    // had been dropped on it, once the event loop runs (after the window is shown and the
    // engine started); a single file plays at once.
    void openAtStart(const QStringList& paths);

    // --- Commands (buttons, messages). Playback commands never wait for the engine.
    void exitViewer();
    void pauseStep();
    void play();
    void stop();
    void stepFrame(bool forward);
    // The recording's last frame, paused there (the End key); nothing while nothing is loaded.
    void goToLastFrame();
    void nextRecording(bool forward);
    void endOfPlay();
    void seek(int positionTenths);
    void setSpeedStep(int step);
    void setBrightness(int value);
    void setContrast(int value);
    void resetBrightness();
    void resetContrast();
    void toggleRearMirror();
    void toggleRearFlip();
    void muteOn();
    void muteOff();
    void capture();
    void toggleRepeat();
    // Copies the current recording's front file, and its rear file when both play, into a
    // folder the user chooses; asks before replacing a file; says how each copy went.
    void saveRecordingPair();
    // Exports the current recording (a range, a layout, the data drawn in) as one MP4 through
    // the export options and progress boxes; playback stays paused meanwhile.
    void exportRecording();
    // A repeat marker (its centre column) was put on the front picture shown, by key: the
    // export's range then starts or ends exactly at that picture while the marker stays there.
    void noteMarkerOnShownPicture(bool markerB, int centre);
    void showConfiguration();
    // The pause step, then the SD card format dialog, modally. Nothing without the facility.
    void formatSdCard();
    // Stops and closes the loaded recording when its file lies under `root` (a volume's mount
    // point with "/"), and waits until the engine has let go of its files.
    void closeRecordingOn(const std::string& root);
    // The camera's card among volumes that have just been mounted (their roots, with a trailing
    // "/"): the first labelled "MOKSEL", by mount point, becomes the SD card root and the
    // recording list is asked to scan it. The mount watcher calls this.
    void cardSearch(const QStringList& arrivedRoots);

    // The boxes of the message codes, with the pause step first.
    // `detail`: a text for the box's empty second line (UM_SHOW_MESSAGE's lParam, the address
    // of a QString, or 0), e.g. what a failed format tool said.
    void showMessage(int code, const QString& detail = QString());
    // The detail of the notice box being shown; empty otherwise.
    const QString& messageDetail() const { return messageDetail_; }
    int ask(int code);
    // A recording the camera could not finish: asks, repairs it (progress box, stop cancels)
    // and replaces `candidate` by the repaired front file. False: nothing to open.
    bool repairBeforeOpen(std::string& candidate);
    std::string repairedPathFor(const std::string& path) const;  // itself when never repaired
    bool repairRunning() const;
    void cancelRepair();
    void setBoxRunners(BoxRunner oneButton, BoxRunner twoButton);

    // --- State, read by panes and tests.
    const std::string& currentRecordingPath() const { return currentPath_; }
    const QString& currentRecordingName() const { return currentName_; }
    bool recordingReady() const { return recordingReady_; }
    bool rearUpDown() const { return rearUpDown_; }
    bool rearLeftRight() const { return rearLeftRight_; }
    bool repeatOn() const { return repeat_; }
    // The play speed step in use, 0 to 4 (2 is normal speed); lit on the speed scale.
    int speedStep() const { return speedStep_; }
    static QRect speedScaleRect() { return QRect(190, 650, 140, 16); }
    bool formatAvailable() const { return formatAvailable_; }
    // Root of the camera's card found last (mount point with "/"); empty before.
    const QString& sdCardRoot() const { return sdCardRoot_; }
    MountWatcher* mountWatcher() const { return mountWatcher_; }
    int currentPosition() const { return currentPosition_; }
    int markPosition() const { return markPosition_; }
    int duration() const { return duration_; }
    bool waitCursorShown() const { return waitCursor_; }
    bool shutDownDone() const { return shutDownDone_; }
    // False once the engine thread has ended (asked to or not).
    bool engineRunning() const { return engineStarted_ && !engineGone_; }

    BitmapButton* button(int id) const;
    QWidget* pane(PaneId id) const;
    MessageTarget* paneTarget(PaneId id) const;
    // The recording list pane; null when the list is not part of the build.
    OstrelFileList* fileList() const;
    // The enlarged video window: made at its first opening, kept for the window's life.
    OstrelMovieEntire* enlargedWindow() const { return enlarged_; }
    bool enlargedViewShown() const { return enlargedView_; }

    // Sets the recording whose commands follow (the recording list's selection does this
    // through Play; tests start from a loaded recording).
    void setCurrentRecording(const std::string& path, const QString& name);
    // Replaces where Play takes the selected path from (empty: no selection); the name of a
    // recording opened this way is its file name. By default Play asks the recording list
    // for its selected path and GetSelectedName.
    void setSelectedPathSource(std::function<std::string()> source);

protected:
    LResult handleMessage(unsigned number, WParam wParam, LParam lParam) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    static const MessageMap<COstrelDlg>& messageMap();

    // Start-up steps.
    void checkFormatFacility();
    void createButtons();
    void createPanes();
    QWidget* createPane(const PaneSpec& entry);

    // The drive on the map (map_route.cpp).
    void wireMapPane(QWidget* mapPane);
    void showDriveOnMap();
    void pickOnRoute(const std::string& path, std::int64_t ms);
    void seekAfterOpenFromRoute();
    void startEngine();
    void watchForCards();
    void onButton(int id);
    void saveRecordingFile(const std::filesystem::path& source, const std::filesystem::path& destination,
                           int savedCode, int failedCode);

    LResult sendToPane(PaneId id, unsigned number, WParam wParam = 0, LParam lParam = 0);
    void postToPane(PaneId id, unsigned number, WParam wParam = 0, LParam lParam = 0);
    // Repaints the pane with the next paint of the window (panes changed together share it).
    void updatePane(PaneId id);
    // Repaints the pane before returning (the name shown before a long open starts).
    void repaintPane(PaneId id);
    LResult sendToPositionSlider(unsigned number, WParam wParam = 0, LParam lParam = 0);
    void endWaitCursor();
    void showWaitCursor();
    void finishShutDown();
    // Runs this thread's event loop for about `ms` milliseconds.
    static void serveEventsFor(int ms);
    void waitForEngineEnd();

    // --- Message handlers.
    LResult onCmdPlay(WParam, LParam);
    LResult onCmdStop(WParam, LParam);
    LResult onCmdPause(WParam, LParam);
    LResult onCmdStepForward(WParam, LParam);
    LResult onCmdStepBack(WParam, LParam);
    LResult onCmdNextRecording(WParam, LParam);
    LResult onCmdPrevRecording(WParam, LParam);
    LResult onPlayEnd(WParam, LParam);
    LResult onRecordingLength(WParam mark, LParam duration);
    LResult onPosition(WParam position, LParam);
    LResult onSpeed(WParam speed, LParam);
    LResult onTime(WParam current, LParam total);
    LResult onResetPan(WParam, LParam);
    LResult onInfoChanged(WParam, LParam);
    LResult onTelemetryToGraph(WParam, LParam);
    LResult onTelemetryTime(WParam, LParam);
    LResult onTelemetryCleared(WParam, LParam);
    LResult onMapPosition(WParam latitude, LParam longitude);
    LResult onSetSpeed(WParam step, LParam);
    LResult onSeek(WParam position, LParam);
    LResult onSeekDrag(WParam, LParam);
    LResult onSeekDragEnd(WParam, LParam);
    LResult onEngineEnded(WParam, LParam);
    LResult onOpenDone(WParam, LParam durationTenths);
    LResult onSetVolume(WParam volume, LParam);
    LResult onScanBegin(WParam, LParam);
    LResult onScanEnd(WParam, LParam);
    LResult onShowMessage(WParam code, LParam);
    LResult onAsk(WParam code, LParam);
    LResult onEnlarge(WParam camera, LParam);
    LResult onScanCancel(WParam, LParam);
    LResult onScanFolder(WParam folder, LParam);
    LResult onCaptureRear(WParam, LParam);
    LResult onEnlargeClosing(WParam, LParam);
    LResult onGetPosition(WParam, LParam);
    LResult onDriveFormatted(WParam root, LParam);
    LResult onOpenFailed(WParam, LParam);
    LResult onSetBrightness(WParam value, LParam);
    LResult onSetContrast(WParam value, LParam);
    LResult onIsMapShown(WParam, LParam);
    LResult onHeading(WParam heading, LParam);
    LResult onGetMark(WParam, LParam);
    LResult onGetDuration(WParam, LParam);
    LResult onRepeatOff(WParam, LParam);
    // The export's first range: the A-B stretch (seconds from the first frame) when the
    // markers were moved on the recording open, else the whole recording.
    void markerStretch(double lengthS, double& fromS, double& toS);
    LResult onRearOpenFailed(WParam, LParam);
    LResult onHandedOver(WParam, LParam durationTenths);

    // The next recording of the playing one's drive, named to the engine to open ahead (an
    // empty name when none follows or a stretch repeats); nothing when it is already named.
    void prepareNextInDrive();
    // Tells the list the loaded recording's length (tenths of a second), for its drives.
    void noteLoadedDuration(LParam tenths);
    // Queues an engine command. Stop, Close and Open make the engine forget the recording it
    // opened ahead, and so does the window.
    void pushEngine(EngineCommand command, const char* path = nullptr);
    // The loaded recording's name, type, drive on the map, and whether it has sound.
    void showCurrentRecording();
    void showSoundAvailability();

    std::unique_ptr<EngineLink> engine_;
    bool initialised_ = false;
    bool engineStarted_ = false;
    bool exiting_ = false;
    bool shutDownDone_ = false;
    bool engineGone_ = false;  // the engine thread has ended and been joined

    QPixmap background_;      // 129, the whole window
    QPixmap flipIndicator_;   // 318, rear up-down flip on
    QPixmap mirrorIndicator_; // 319, rear left-right mirror on
    QFont labelFont_;         // the repeat "ON" / "OFF" label
    std::map<int, BitmapButton*> buttons_;
    QPushButton* hostButton_ = nullptr;  // 1019, hidden for the whole run
    std::map<PaneId, QPointer<QWidget>> panes_;

    std::string currentPath_;  // UTF-8 path of the loaded front file; empty: nothing loaded
    QString currentName_;      // its file name
    bool recordingReady_ = false;
    bool enlargedView_ = false;    // the enlarged window is open
    OstrelMovieEntire* enlarged_ = nullptr;
    int savedFlipVertical_ = 0;    // the rear flips, put aside while the enlarged window shows
    int savedMirrorHorizontal_ = 0;
    bool rearUpDown_ = false;
    bool rearLeftRight_ = false;
    bool repeat_ = false;
    // The recording the A-B markers were last moved on (the markers keep their places when
    // another opens, but not their meaning).
    std::string markersRecording_;
    int64_t shownPictureMs_ = -1;  // time of the front picture shown, in the file's own ms
    struct MarkedPicture {
        int centre = -1;       // the marker's column when it was put there
        int64_t timeMs = -1;   // the picture's time
    };
    MarkedPicture markedPictures_[2];  // A, B
    QString messageDetail_;
    int speedStep_ = 2;
    int currentPosition_ = 0;  // tenths of a second
    int markPosition_ = 0;     // tenths of a second
    int duration_ = 0;         // tenths of a second
    bool formatAvailable_ = false;
    QString sdCardRoot_;  // handed to the recording list by address: lives as long as the window
    DeviceServices devices_;
    MountWatcher* mountWatcher_ = nullptr;
    bool waitCursor_ = false;
    std::string routeSeekPath_;  // a recording picked on the map's route, to seek in once open
    std::string preparedPath_;   // the recording the engine opened ahead, empty for none
    bool followingHandover_ = false;  // the list selects the recording the engine plays on into
    int routeSeekTenths_ = 0;
    std::function<std::string()> selectedPath_;
    std::function<bool(QString&)> selectedName_;  // false: nothing selected
    BoxRunner oneButtonBox_;
    BoxRunner twoButtonBox_;
    std::shared_ptr<RepairSession> repair_;  // made at the first repair
    WindowDragger dragger_;
};

}  // namespace moksel
