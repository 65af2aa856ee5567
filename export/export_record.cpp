#include "export/export_record.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <filesystem>
#include <fstream>
#include <unistd.h>

#ifndef MOKSEL_VERSION
#error "MOKSEL_VERSION comes from the project version (export/CMakeLists.txt)"
#endif

namespace moksel::exporting {

namespace fs = std::filesystem;

std::string fileSha256(const std::string& path) {
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly)) return {};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&file)) return {};
    return hash.result().toHex().toStdString();
}

std::string exportRecordJson(const RecordContents& c) {
    QJsonArray sources;
    for (const RecordSource& s : c.sources) {
        sources.append(QJsonObject{
            {"file", QString::fromStdString(fs::path(s.path).filename().string())},
            {"camera", QString::fromStdString(s.camera)},
            {"sha256", QString::fromStdString(s.sha256.empty() ? fileSha256(s.path) : s.sha256)},
        });
    }
    const ExportRequest& r = c.request;
    const QJsonObject options{
        {"overlay", r.overlay},
        {"speed_unit", r.useMph ? "mph" : "km/h"},
        {"rear_mirror", r.rearMirror},
        {"rear_flip", r.rearFlip},
        {"continue_drive", r.continueDrive},
        {"video_codec", "H.264 (libx264)"},
        {"crf", r.crf},
        {"preset", QString::fromStdString(r.preset)},
        {"sound_codec", "AAC"},
    };
    const QJsonObject record{
        {"program", "MOKSEL VIEWER"},
        {"version", MOKSEL_VERSION},
        {"created", QDateTime::currentDateTimeUtc().toString(Qt::ISODate)},
        {"sources", sources},
        {"range", QJsonObject{{"from_s", c.fromMs / 1000.0},
                              {"to_s", c.toMs / 1000.0},
                              {"frames", c.frames},
                              {"duration_s", c.durationMs / 1000.0}}},
        {"layout", layoutName(r.layout)},
        {"options", options},
        {"output", QJsonObject{
                       {"file", QString::fromStdString(fs::path(c.outputPath).filename().string())},
                       {"width", c.width},
                       {"height", c.height},
                       {"frame_rate", QString::fromStdString(c.frameRate)},
                       {"sha256", QString::fromStdString(c.outputSha256)},
                   }},
    };
    return QJsonDocument(record).toJson(QJsonDocument::Indented).toStdString();
}

std::string recordPathFor(const std::string& videoPath) {
    fs::path p(videoPath);
    if (p.extension() == ".json") return videoPath + ".json";
    return p.replace_extension(".json").string();
}

std::string temporaryPathFor(const std::string& finalPath) {
    const fs::path p(finalPath);
    return (p.parent_path() / ("." + p.filename().string() + ".part" + std::to_string(getpid())))
        .string();
}

bool writeFileAtomically(const std::string& path, const std::string& text, std::string& error) {
    const std::string temporary = temporaryPathFor(path);
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << text;
        out.flush();
        if (!out) {
            std::error_code ec;
            fs::remove(temporary, ec);
            error = "cannot write " + path;
            return false;
        }
    }
    std::error_code ec;
    fs::rename(temporary, path, ec);
    if (ec) {
        fs::remove(temporary, ec);
        error = "cannot write " + path + ": " + ec.message();
        return false;
    }
    return true;
}

}  // namespace moksel::exporting
