// The main window's fixed layout: every skinned button with its place, its four bitmaps, its
// tool tip and its visibility at start, and every pane with its rectangle, in the order they
// are created. Positions are pixels of the main window's client area.
//
// Thread contract: constant data.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <vector>

namespace moksel {

// Button ids.
enum ButtonId : int {
    kButtonExit = 1000,
    kButtonMinimise = 1001,
    kButtonPrevious = 1002,
    kButtonStepBack = 1003,
    kButtonStop = 1004,
    kButtonPause = 1005,
    kButtonPlay = 1006,
    kButtonStepForward = 1007,
    kButtonNext = 1008,
    kButtonFormat = 1009,
    kButtonSwitch = 1010,
    kButtonMap = 1011,
    kButtonConfig = 1012,
    kButtonSave = 1013,
    kButtonOpenFiles = 1014,
    kButtonOpenFolder = 1015,
    kButtonCapture = 1016,
    kButtonAbout = 1017,
    kButtonSpeedUnit = 1018,
    kButtonHost = 1019,
    kButtonMirror = 1020,
    kButtonFlip = 1021,
    kButtonMute = 1022,
    kButtonLogo = 1023,
    kButtonRepeat = 1024,
    kButtonFileList = 1025,
    kButtonHeadingStyle = 1026,
    kButtonResetBrightness = 1027,
    kButtonResetContrast = 1028,
    kButtonExport = 1040,  // the video export (beside the tool buttons)
};

struct ButtonSpec {
    int id;
    QPoint position;
    QSize size;
    int normal, pressed, focus, disabled;  // skin bitmap numbers; 0 = the normal bitmap
    const char* toolTip;                   // UTF-8; nullptr = no tool tip
    bool shownAtStart;
};

// The 27 bitmap buttons in the order the main window declares them (ids 1023, 1017, 1000, ...).
// The repeat button (1024) is placed later in the start-up and is listed separately.
const std::vector<ButtonSpec>& mainButtons();
const ButtonSpec& repeatButton();

// The maker's web site: the logo button's tool tip and the page it opens.
extern const char* const kMakerWebSite;

// Panes in their order of creation. The repeat marker pane is created later in the start-up
// and is listed separately.
enum class PaneId {
    Map,
    FileList,
    MovieSeek,
    FileInfo,
    SensorGraph,
    About,
    ConfigPopup,
    FrontView,
    RearView,
    ShowSpeed,
    ShowDirection,
    ShowZoom,
    ShowZoomRear,
    ShowFileName,
    ShowTime,
    ShowTotalTime,
    PlaySpeed,
    SoundVolume,
    Brightness,
    Contrast,
    ScanBox,
    RepeatPointer,
};

struct PaneSpec {
    PaneId id;
    const char* className;  // the pane's class, also its object name
    QRect rect;             // an empty rect: the pane keeps its own place and size
    bool shownAtStart;
};

const std::vector<PaneSpec>& mainPanes();
const PaneSpec& repeatPointerPane();
const PaneSpec& paneSpec(PaneId id);

// Areas of the main window with their own behaviour.
constexpr QRect kMuteRect{QPoint(24, 635), QPoint(42, 649)};        // (24, 635) to (43, 650)
constexpr QRect kListRect{QPoint(661, 428), QPoint(1004, 687)};     // (661, 428) to (1005, 688)
constexpr QRect kFrontViewRect{QPoint(18, 70), QPoint(504, 380)};   // (18, 70) to (505, 381)
constexpr QRect kRearViewRect{QPoint(518, 70), QPoint(1004, 380)};  // (518, 70) to (1005, 381)
constexpr QPoint kFlipIndicatorAt{647, 40};                          // rear up-down flip
constexpr QPoint kMirrorIndicatorAt{555, 41};                        // rear left-right mirror
constexpr QSize kIndicatorSize{62, 23};
constexpr QPoint kRepeatLabelAt{198, 504};

}  // namespace moksel
