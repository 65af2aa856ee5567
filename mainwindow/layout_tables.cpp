#include "mainwindow/layout_tables.h"

namespace moksel {

const char* const kMakerWebSite = "https://www.moksel.example/";

const std::vector<ButtonSpec>& mainButtons() {
    // id, position, size, normal, pressed, focus, disabled, tool tip, shown at start
    static const std::vector<ButtonSpec> table = {
        {kButtonLogo, {9, 23}, {142, 35}, 237, 237, 237, 237, kMakerWebSite, true},
        {kButtonAbout, {890, 31}, {39, 24}, 189, 190, 189, 189, "뷰어 정보", true},
        {kButtonExit, {967, 31}, {38, 24}, 191, 192, 191, 191, "종료합니다", true},
        {kButtonMinimise, {929, 31}, {38, 24}, 187, 188, 187, 187, "최소화", true},
        {kButtonPrevious, {189, 709}, {33, 32}, 168, 169, 168, 168, "이전 파일 재생", true},
        {kButtonStepBack, {232, 709}, {33, 32}, 164, 165, 164, 164, "1프레임 뒤로", true},
        {kButtonStop, {277, 709}, {33, 32}, 160, 161, 160, 160, "재생 중지", true},
        {kButtonPause, {362, 709}, {33, 32}, 159, 158, 159, 159, "일시 정지", true},
        {kButtonPlay, {322, 709}, {33, 32}, 155, 156, 155, 155, "영상 재생", true},
        {kButtonStepForward, {400, 709}, {33, 32}, 162, 163, 162, 162, "1프레임 앞으로", true},
        {kButtonNext, {441, 709}, {33, 32}, 166, 170, 166, 166, "다음 파일 재생", true},
        {kButtonFormat, {852, 31}, {39, 24}, 182, 183, 182, 239, "SD CARD 포맷", true},
        {kButtonSwitch, {415, 31}, {107, 23}, 184, 185, 184, 184, "전후방 영상 전환", false},
        {kButtonMirror, {531, 40}, {25, 23}, 236, 233, 236, 236, "후방 영상 좌우 반전", true},
        {kButtonFlip, {623, 40}, {25, 23}, 234, 235, 234, 234, "후방 영상 상하 반전", true},
        {kButtonMap, {837, 381}, {168, 34}, 186, 181, 186, 186, "맵 보기", true},
        {kButtonFileList, {656, 381}, {168, 34}, 301, 302, 301, 301, "파일리스트 보기", true},
        {kButtonOpenFiles, {682, 693}, {50, 48}, 174, 175, 174, 174, "파일 열기", true},
        {kButtonOpenFolder, {745, 693}, {50, 48}, 178, 179, 178, 178, "폴더 열기", true},
        {kButtonCapture, {808, 693}, {50, 48}, 172, 173, 172, 172, "장면 저장", true},
        {kButtonSave, {871, 693}, {50, 48}, 176, 177, 176, 176, "파일 저장", true},
        {kButtonExport, {619, 693}, {50, 48}, 326, 327, 326, 326, "영상 내보내기", true},
        {kButtonConfig, {933, 693}, {50, 48}, 180, 171, 180, 180, "환경 설정", true},
        {kButtonSpeedUnit, {515, 417}, {73, 17}, 207, 206, 207, 207, "속도 단위 변경", true},
        {kButtonHeadingStyle, {68, 417}, {74, 17}, 316, 317, 316, 316, "조향각 표기 변경", true},
        {kButtonMute, {24, 635}, {19, 15}, 269, 269, 269, 269, nullptr, false},
        {kButtonResetBrightness, {343, 677}, {55, 13}, 312, 313, 312, 312, "밝기 초기화", true},
        {kButtonResetContrast, {480, 677}, {47, 13}, 314, 315, 314, 314, "대비 초기화", true},
    };
    return table;
}

const ButtonSpec& repeatButton() {
    static const ButtonSpec entry{kButtonRepeat, {142, 504}, {51, 13}, 322, 323, 0, 0, nullptr, true};
    return entry;
}

const std::vector<PaneSpec>& mainPanes() {
    static const std::vector<PaneSpec> table = {
        {PaneId::Map, "OstrelPopupMap", {661, 428, 344, 260}, true},
        {PaneId::FileList, "OstrelFileList", {661, 428, 344, 260}, true},
        {PaneId::MovieSeek, "OstrelMovieSeek", {141, 544, 373, 16}, true},
        {PaneId::FileInfo, "OstrelFileInfo", {102, 608, 465, 28}, true},
        {PaneId::SensorGraph, "OstrelSensorGraph", {142, 417, 373, 64}, true},
        {PaneId::About, "OstrelAbout", {}, false},
        {PaneId::ConfigPopup, "OstrelConfigPopup", {}, false},
        {PaneId::FrontView, "OstrelMainView", {18, 70, 487, 311}, true},
        {PaneId::RearView, "OstrelRearView", {518, 70, 487, 311}, true},
        {PaneId::ShowSpeed, "OstrelShowSpeed", {515, 434, 84, 74}, true},
        {PaneId::ShowDirection, "OstrelShowDIrection", {70, 442, 57, 55}, true},
        {PaneId::ShowZoom, "OstrelShowZoom", {449, 44, 42, 17}, true},
        {PaneId::ShowZoomRear, "OstrelShowZoomRear", {744, 44, 42, 17}, true},
        {PaneId::ShowFileName, "OstrelShowFileName", {228, 44, 189, 17}, true},
        {PaneId::ShowTime, "OstrelShowTime", {69, 544, 63, 17}, true},
        {PaneId::ShowTotalTime, "OstrelShowTotalTime", {526, 544, 63, 17}, true},
        {PaneId::PlaySpeed, "OstrelPlaySpeedCtrl", {205, 668, 109, 8}, true},
        {PaneId::SoundVolume, "OstrelSoundVolumeCtrl", {70, 668, 109, 8}, true},
        {PaneId::Brightness, "OstrelBrightnessCtrl", {345, 668, 109, 8}, true},
        {PaneId::Contrast, "OstrelContrastCtrl", {483, 668, 109, 8}, true},
        {PaneId::ScanBox, "OstrelOpenningDirMsgBox", {}, false},
    };
    return table;
}

const PaneSpec& repeatPointerPane() {
    static const PaneSpec entry{PaneId::RepeatPointer, "OstrelRepeatPointer", {142, 481, 373, 20},
                               true};
    return entry;
}

const PaneSpec& paneSpec(PaneId id) {
    if (id == PaneId::RepeatPointer) return repeatPointerPane();
    for (const PaneSpec& entry : mainPanes()) {
        if (entry.id == id) return entry;
    }
    return mainPanes().front();
}

}  // namespace moksel
