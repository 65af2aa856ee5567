// Composes the export's pictures with libavfilter: the layout of front and rear (rear mirrored
// or flipped as the user sees it), out as 4:2:0 pictures for the H.264 encoder. (The overlay
// panel is laid on afterwards, see panel_blender.h.)
//
// Thread contract: one thread uses a composer (the export's worker).
#pragma once

#include <cstdint>
#include <string>

#include "export/export_options.h"

extern "C" {
#include <libavfilter/avfilter.h>
#include <libavutil/frame.h>
#include <libavutil/pixfmt.h>
}

namespace moksel::exporting {

struct PictureFormat {
    int width = 0, height = 0;
    AVPixelFormat format = AV_PIX_FMT_YUV420P;
};

struct Composition {
    Layout layout = Layout::FrontOnly;
    PictureFormat front, rear;  // rear used by the layouts that show it
    bool rearMirror = false, rearFlip = false;
    AVRational timeBase{1, 30};  // of the pushed pictures' times
    AVRational frameRate{30, 1};
};

// Size of the composed picture of a layout (even numbers, as 4:2:0 needs).
void composedSize(const Composition& c, int& width, int& height);

class PictureComposer {
public:
    PictureComposer() = default;
    ~PictureComposer();
    PictureComposer(const PictureComposer&) = delete;
    PictureComposer& operator=(const PictureComposer&) = delete;

    bool build(const Composition& composition, std::string& error);

    // Hands in the pictures of one output frame at time `pts` (in the composition's time
    // base). A null front or rear picture is shown black. Pictures are referenced, not taken.
    bool push(const AVFrame* front, const AVFrame* rear, int64_t pts, std::string& error);
    // Tells the graph that no more pictures come.
    bool finish();
    // The next composed picture, or null when none is ready. The caller frees it.
    AVFrame* pull();

private:
    bool pushInput(AVFilterContext* source, const AVFrame* picture, const AVFrame* black,
                   int64_t pts, std::string& error);

    Composition composition_;
    AVFilterGraph* graph_ = nullptr;
    AVFilterContext* frontIn_ = nullptr;
    AVFilterContext* rearIn_ = nullptr;
    AVFilterContext* out_ = nullptr;
    AVFrame* frontBlack_ = nullptr;
    AVFrame* rearBlack_ = nullptr;
};

}  // namespace moksel::exporting
