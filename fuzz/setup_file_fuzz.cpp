// Fuzz target: the bytes of a camera configuration file through the reader. Whatever the card
// holds, reading never fails; the values read give a file in the camera's layout (exactly 833
// bytes unless the card's own values of the keys the viewer does not edit are kept), and that
// file read again gives the same file.

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "device/camera_config_file.h"
#include "fuzz/fuzz_driver.h"

std::vector<std::string> mokselFuzzSeeds() {
    return {std::string(moksel::SetupTemplate),
            "[SYSTEM_SET]\nlang_mode = -999x\nmd_sensitivity=\"7\"\n[system_set]\nrec_quality=2",
            "\xEF\xBB\xBF[system_set]\r\nscreen_save_time\t=\t '1'\r\nrecord_mute=\r\n",
            "[system_set\nlang_mode=1024\n[]\n=\n[system_set]\rlang_mode=+102"};
}

std::vector<std::string> mokselFuzzDictionary() {
    return {"[system_set]",
            "\r\n",
            "=",
            " ",
            "\t",
            "\"",
            "'",
            "-",
            "+",
            "lang_mode",
            "md_sensitivity",
            "screen_save_time",
            "[",
            "]",
            "\xEF\xBB\xBF",
            "9999"};
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    moksel::DeviceSettings settings;
    moksel::readDeviceSettings(text, settings);
    // One character per key, four for lang_mode: nothing else can be read.
    const std::int32_t single[] = {settings.screen_save_time, settings.record_mute,
                                   settings.voice_guide_mode, settings.gsensor_level,
                                   settings.parking_mode,     settings.summer_time,
                                   settings.rec_quality,      settings.md_sensitivity};
    for (std::int32_t value : single) {
        if (value < 0 || value > 9) std::abort();
    }
    if (settings.lang_mode < -999 || settings.lang_mode > 9999) std::abort();
    const std::string written = moksel::setupFileText(settings);
    if (settings.keptValues.empty() && written.size() != moksel::kSetupFileBytes) std::abort();
    moksel::DeviceSettings again;
    moksel::readDeviceSettings(written, again);
    if (again.keptValues != settings.keptValues || moksel::setupFileText(again) != written) std::abort();
    if (moksel::profileString(text, "system_set", "lang_mode").size() > 254) std::abort();
    return 0;
}
