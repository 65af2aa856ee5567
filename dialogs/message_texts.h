// The fixed texts of the two skinned message boxes: for every message code a title and up to
// two lines. Notices (one-button box) use codes 0 to 31, questions (two-button box) codes 0
// to 2 of ten slots. A slot without text is an empty string and draws nothing.
//
// Thread contract: immutable tables; safe from any thread.
#pragma once

#include <QString>

namespace moksel {

struct MessageText {
    QString title;
    QString line1;
    QString line2;
};

// Notice codes (UM_SHOW_MESSAGE).
enum MessageCode : int {
    kMsgSaveNeedsRecording = 0,
    kMsgCardNotFound = 1,
    kMsgCaptureNotPlaying = 2,
    kMsgFormatDone = 3,
    kMsgFormatFailed = 4,
    kMsgFormatChooseDrive = 5,
    kMsgFrontFileSaved = 6,
    kMsgFrontCaptureSaved = 7,
    kMsgRearCaptureSaved = 8,
    kMsgConfigChooseDrive = 9,
    kMsgFileMissing = 10,
    kMsgChooseYear = 11,
    kMsgChooseMonth = 12,
    kMsgChooseDay = 13,
    kMsgChooseHour = 14,
    kMsgChooseMinute = 15,
    kMsgChooseSecond = 16,
    kMsgConfigWriteFailed = 17,
    kMsgConfigSaved = 18,
    kMsgCaptureNoRecording = 19,
    kMsgFrontOpenFailed = 20,
    kMsgConfigDefaultsLoaded = 21,
    kMsgRepeatNeedsRecording = 22,
    kMsgCardWriteProtected = 23,
    kMsgRearFileSaved = 24,
    kMsgRearOpenFailed = 25,
    kMsgFrontCaptureFailed = 26,  // the front picture's JPEG could not be written
    kMsgRearCaptureFailed = 27,   // the rear picture's JPEG could not be written
    kMsgFrontFileSaveFailed = 28, // the front file of the pair could not be copied
    kMsgRearFileSaveFailed = 29,  // the rear file of the pair could not be copied
    kMsgRepairRecoveredNothing = 30,  // a cut-off recording held no whole picture
    kMsgRepairFailed = 31,            // a cut-off recording could not be repaired
    kMsgNoRecordingsFound = 32,       // a chosen or dropped folder held no recording
    kMsgRearFilesOnly = 33,           // ... only rear camera files, which never play alone
    kMsgExportNeedsRecording = 34,    // export asked with no recording open
};
constexpr int kOneButtonCodeCount = 35;

// Question codes (UM_ASK).
enum QuestionCode : int {
    kAskEraseDrive = 0,
    kAskOverwriteFile = 1,
    kAskRepairRecording = 2,  // the recording was cut off: repair it?
};
constexpr int kTwoButtonCodeCount = 10;

// The texts of a code; all empty for a code outside the table.
MessageText oneButtonText(int code);
MessageText twoButtonText(int code);

}  // namespace moksel
