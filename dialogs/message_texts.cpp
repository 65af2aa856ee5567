#include "dialogs/message_texts.h"

namespace moksel {
namespace {

struct Entry {
    const char* title;
    const char* line1;
    const char* line2;
};

// The texts are centred by their leading blanks: every line is drawn from the same left
// edge, so the blanks (and trailing blanks) are part of the texts.
constexpr Entry kOneButton[kOneButtonCodeCount] = {
    /*  0 */ {"파일저장", "   파일이 열려있을때만 저장이 가능합니다.", nullptr},
    /*  1 */ {"환경설정", "       MOKSEL SD카드를 찾을 수 없습니다.", nullptr},
    /*  2 */ {"장면저장", "            장면 재생중이 아닙니다.        ", nullptr},
    /*  3 */ {"SD포맷", "            포맷이 완료되었습니다.         ", nullptr},
    /*  4 */ {"SD포맷", "            포맷에 실패하였습니다.           ", nullptr},
    /*  5 */ {"SD포맷", "         SD카드가 마운트된 드라이브를", "                  선택해 주십시오."},
    /*  6 */ {"파일저장", "        전방 파일 저장이 완료되었습니다.    ", nullptr},
    /*  7 */ {"장면저장", "        전방 영상 캡쳐에 성공하였습니다.   ", nullptr},
    /*  8 */ {"장면저장", "        후방 영상 캡쳐에 성공하였습니다.   ", nullptr},
    /*  9 */ {"환경설정", "         SD카드가 마운트된 드라이브를", "                  선택해 주십시오."},
    /* 10 */ {"파일재생", "       선택된 파일이 존재하지 않습니다.", nullptr},
    /* 11 */ {"환경설정", "              연도를 선택해주십시오.", nullptr},
    /* 12 */ {"환경설정", "               월을 선택해주십시오.", nullptr},
    /* 13 */ {"환경설정", "               일을 선택해주십시오.", nullptr},
    /* 14 */ {"환경설정", "               시를 선택해주십시오.", nullptr},
    /* 15 */ {"환경설정", "               분을 선택해주십시오.", nullptr},
    /* 16 */ {"환경설정", "               초를 선택해주십시오.", nullptr},
    /* 17 */ {"환경설정", "파일을 기록하는 중에 에러가 발생하였습니다.", nullptr},
    /* 18 */ {"환경설정", "    환경 설정을 성공적으로 완료하였습니다.", nullptr},
    /* 19 */ {"환경설정", "           재생 중인 장면이 없습니다.", nullptr},
    /* 20 */ {"파일열기", "    파일을 읽는 중에 오류가 발생했습니다.", nullptr},
    /* 21 */ {"파일열기", "        환경설정 파일을 찾을 수 없습니다.", "               기본 설정을 불러옵니다."},
    /* 22 */ {"구간반복", "         파일이 열려있을때만 구간반복", "                 설정이 가능합니다."},
    /* 23 */ {"SD포맷", "         SD카드가 쓰기 금지되어 있습니다.", nullptr},
    /* 24 */ {"파일저장", "        후방 파일 저장이 완료되었습니다.    ", nullptr},
    /* 25 */ {"파일열기", "  후방 파일을 읽는 중에 오류가 발생했습니다.", nullptr},
    /* 26 */ {"장면저장", "        전방 영상 캡쳐에 실패하였습니다.   ", nullptr},
    /* 27 */ {"장면저장", "        후방 영상 캡쳐에 실패하였습니다.   ", nullptr},
    /* 28 */ {"파일저장", "         전방 파일 저장에 실패하였습니다.    ", nullptr},
    /* 29 */ {"파일저장", "         후방 파일 저장에 실패하였습니다.    ", nullptr},
    /* 30 */ {"파일복구", "      복구할 수 있는 영상이 없습니다.", nullptr},
    /* 31 */ {"파일복구", "         파일 복구에 실패하였습니다.    ", nullptr},
    /* 32 */ {"파일열기", "     선택한 곳에 녹화 파일이 없습니다.", nullptr},
    /* 33 */ {"파일열기", "        후방 카메라 파일만 있습니다.", "    전방 파일이 있어야 재생할 수 있습니다."},
    /* 34 */ {"내보내기", " 파일이 열려있을때만 내보내기가 가능합니다.", nullptr},
};

constexpr Entry kTwoButton[kTwoButtonCodeCount] = {
    /*  0 */ {"SD포맷", "  선택하신 장치의 모든 데이터가 지워집니다.", "                계속하시겠습니까?"},
    /*  1 */ {"파일저장", "     같은 이름의 파일이 이미 존재합니다.", "                덮어쓰시겠습니까?"},
    /*  2 */ {"파일복구", "    녹화가 중단되어 파일이 손상되었습니다.", "                 복구하시겠습니까?"},
};

QString text(const char* utf8) { return utf8 != nullptr ? QString::fromUtf8(utf8) : QString(); }

MessageText from(const Entry& entry) {
    return {text(entry.title), text(entry.line1), text(entry.line2)};
}

}  // namespace

MessageText oneButtonText(int code) {
    if (code < 0 || code >= kOneButtonCodeCount) return {};
    return from(kOneButton[code]);
}

MessageText twoButtonText(int code) {
    if (code < 0 || code >= kTwoButtonCodeCount) return {};
    return from(kTwoButton[code]);
}

}  // namespace moksel
