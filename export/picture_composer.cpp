#include "export/picture_composer.h"

#include <algorithm>

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/error.h>
#include <libavutil/imgutils.h>
}

namespace moksel::exporting {

namespace {

int even(double v) { return std::max(2, int(v / 2 + 0.5) * 2); }

bool usesFront(Layout l) { return l != Layout::RearOnly; }
bool usesRear(Layout l) { return l != Layout::FrontOnly; }

// Size of the rear picture inside the composed picture.
void rearPlacement(const Composition& c, int& width, int& height) {
    const PictureFormat& f = c.front;
    const PictureFormat& r = c.rear;
    switch (c.layout) {
        case Layout::SideBySide:
            height = even(f.height);
            width = even(double(r.width) * height / std::max(1, r.height));
            break;
        case Layout::PictureInPicture:
            width = even(f.width * 0.3);
            height = even(double(width) * r.height / std::max(1, r.width));
            break;
        default:
            width = even(r.width);
            height = even(r.height);
    }
}

int pipBorder(const Composition& c) { return std::max(2, c.front.height / 360); }
int pipMargin(const Composition& c) { return even(c.front.height / 40.0); }

AVFrame* blackPicture(const PictureFormat& f) {
    AVFrame* frame = av_frame_alloc();
    if (!frame) return nullptr;
    frame->width = f.width;
    frame->height = f.height;
    frame->format = f.format;
    if (av_frame_get_buffer(frame, 0) < 0) {
        av_frame_free(&frame);
        return nullptr;
    }
    const ptrdiff_t lines[4] = {frame->linesize[0], frame->linesize[1], frame->linesize[2],
                                frame->linesize[3]};
    av_image_fill_black(frame->data, lines, f.format, AVCOL_RANGE_MPEG, f.width, f.height);
    return frame;
}

std::string avError(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

}  // namespace

void composedSize(const Composition& c, int& width, int& height) {
    int rw = 0, rh = 0;
    rearPlacement(c, rw, rh);
    switch (c.layout) {
        case Layout::SideBySide:
            width = even(c.front.width) + rw;
            height = even(c.front.height);
            break;
        case Layout::RearOnly:
            width = rw;
            height = rh;
            break;
        default:
            width = even(c.front.width);
            height = even(c.front.height);
    }
}

PictureComposer::~PictureComposer() {
    avfilter_graph_free(&graph_);
    av_frame_free(&frontBlack_);
    av_frame_free(&rearBlack_);
}

bool PictureComposer::build(const Composition& c, std::string& error) {
    composition_ = c;
    graph_ = avfilter_graph_alloc();
    if (!graph_) {
        error = "out of memory";
        return false;
    }
    // One thread for the graph's own work: the decoders and the encoder have the cores.
    graph_->nb_threads = 1;
    auto source = [&](const char* name, const PictureFormat& f, AVPixelFormat format,
                      AVFilterContext*& context) {
        const std::string args =
            "video_size=" + std::to_string(f.width) + "x" + std::to_string(f.height) +
            ":pix_fmt=" + std::to_string(int(format)) + ":time_base=" +
            std::to_string(c.timeBase.num) + "/" + std::to_string(c.timeBase.den) +
            ":pixel_aspect=1/1:frame_rate=" + std::to_string(c.frameRate.num) + "/" +
            std::to_string(c.frameRate.den);
        return avfilter_graph_create_filter(&context, avfilter_get_by_name("buffer"), name,
                                            args.c_str(), nullptr, graph_) >= 0;
    };
    bool ok = true;
    if (usesFront(c.layout)) ok = ok && source("front", c.front, c.front.format, frontIn_);
    if (usesRear(c.layout)) ok = ok && source("rear", c.rear, c.rear.format, rearIn_);
    ok = ok && avfilter_graph_create_filter(&out_, avfilter_get_by_name("buffersink"), "out",
                                            nullptr, nullptr, graph_) >= 0;
    if (!ok) {
        error = "the picture composition cannot be set up";
        return false;
    }

    int rw = 0, rh = 0;
    rearPlacement(c, rw, rh);
    const std::string frontChain = "[f]scale=" + std::to_string(even(c.front.width)) + ":" +
                                   std::to_string(even(c.front.height));
    std::string rearChain = "[r]";
    if (c.rearMirror) rearChain += "hflip,";
    if (c.rearFlip) rearChain += "vflip,";
    rearChain += "scale=" + std::to_string(rw) + ":" + std::to_string(rh);
    std::string description;
    switch (c.layout) {
        case Layout::SideBySide:
            description = frontChain + "[a];" + rearChain + "[b];[a][b]hstack=inputs=2[v]";
            break;
        case Layout::PictureInPicture: {
            const int b = pipBorder(c), m = pipMargin(c);
            const int x = even(c.front.width) - rw - 2 * b - m;
            const int y = even(c.front.height) - rh - 2 * b - m;
            description = frontChain + "[a];" + rearChain + ",pad=" + std::to_string(rw + 2 * b) +
                          ":" + std::to_string(rh + 2 * b) + ":" + std::to_string(b) + ":" +
                          std::to_string(b) + ":color=0x00CCFF[b];[a][b]overlay=x=" +
                          std::to_string(x) + ":y=" + std::to_string(y) + "[v]";
            break;
        }
        case Layout::FrontOnly:
            description = frontChain + "[v]";
            break;
        case Layout::RearOnly:
            description = rearChain + "[v]";
            break;
    }
    description += ";[v]format=yuv420p[out]";

    // The graph's open ends: inputs of the description are our sources' outputs.
    AVFilterInOut* outputs = nullptr;
    auto addOutput = [&](const char* label, AVFilterContext* context) {
        if (!context) return;
        AVFilterInOut* io = avfilter_inout_alloc();
        io->name = av_strdup(label);
        io->filter_ctx = context;
        io->pad_idx = 0;
        io->next = outputs;
        outputs = io;
    };
    addOutput("f", frontIn_);
    addOutput("r", rearIn_);
    AVFilterInOut* inputs = avfilter_inout_alloc();
    inputs->name = av_strdup("out");
    inputs->filter_ctx = out_;
    inputs->pad_idx = 0;
    inputs->next = nullptr;
    int result = avfilter_graph_parse_ptr(graph_, description.c_str(), &inputs, &outputs, nullptr);
    avfilter_inout_free(&inputs);
    avfilter_inout_free(&outputs);
    if (result >= 0) result = avfilter_graph_config(graph_, nullptr);
    if (result < 0) {
        error = "the picture composition cannot be set up: " + avError(result);
        return false;
    }
    if (frontIn_) frontBlack_ = blackPicture(c.front);
    if (rearIn_) rearBlack_ = blackPicture(c.rear);
    if ((frontIn_ && !frontBlack_) || (rearIn_ && !rearBlack_)) {
        error = "out of memory";
        return false;
    }
    return true;
}

bool PictureComposer::pushInput(AVFilterContext* source, const AVFrame* picture,
                                const AVFrame* black, int64_t pts, std::string& error) {
    const AVFrame* shown = picture ? picture : black;
    AVFrame* frame = shown ? av_frame_clone(shown) : nullptr;
    if (!frame) {
        error = "out of memory";
        return false;
    }
    frame->pts = pts;
    frame->pict_type = AV_PICTURE_TYPE_NONE;
    const int result = av_buffersrc_add_frame_flags(source, frame, 0);
    av_frame_free(&frame);
    if (result < 0) {
        error = "a picture cannot be composed: " + avError(result);
        return false;
    }
    return true;
}

bool PictureComposer::push(const AVFrame* front, const AVFrame* rear, int64_t pts,
                           std::string& error) {
    if (frontIn_ && !pushInput(frontIn_, front, frontBlack_, pts, error)) return false;
    if (rearIn_ && !pushInput(rearIn_, rear, rearBlack_, pts, error)) return false;
    return true;
}

bool PictureComposer::finish() {
    bool ok = true;
    for (AVFilterContext* source : {frontIn_, rearIn_})
        if (source && av_buffersrc_add_frame_flags(source, nullptr, 0) < 0) ok = false;
    return ok;
}

AVFrame* PictureComposer::pull() {
    AVFrame* frame = av_frame_alloc();
    if (frame && av_buffersink_get_frame(out_, frame) >= 0) return frame;
    av_frame_free(&frame);
    return nullptr;
}

}  // namespace moksel::exporting
