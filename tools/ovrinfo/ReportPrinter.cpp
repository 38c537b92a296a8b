#include "tools/ovrinfo/ReportPrinter.h"

#include "loader/api/ChannelNames.h"
#include "loader/format/ParticleGroup.h"
#include "tools/ovrinfo/ChannelLabels.h"
#include "tools/ovrinfo/TextTable.h"
#include "tools/ovrinfo/TransformText.h"
#include "utils/FrameName.h"

#include <cinttypes>
#include <type_traits>

namespace OvrInfo {
namespace {

constexpr int LabelWidth = 14;
constexpr int TableIndent = 4;
constexpr int IdType = 7;
constexpr int IntegerType = 6;
constexpr int FloatType = 10;

// Text from the file with control characters shown as spaces, so that it cannot disturb the layout.
std::string printable(const std::string& text) {
    std::string shown = text;
    for (char& c : shown)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    return shown;
}

void printField(FILE* out, const char* label, const std::string& value) {
    std::fprintf(out, "  %-*s%s\n", LabelWidth, label, value.c_str());
}

void printContinuation(FILE* out, const std::string& value) {
    std::fprintf(out, "  %-*s%s\n", LabelWidth, "", value.c_str());
}

std::string gridName(int channel) {
    const char* name = CacheIO::gridChannelName(channel);
    return name ? name : "-";
}

std::string channelSource(const GridChannelInfo& info) {
    if (info.channel == FumaraFrameData::PackedColourChannel) return "stored, read as 7-9";
    if (info.stored) return "stored";
    if (info.channel == FumaraFrameData::SpeedChannel) return "derived from 4-6";
    return "unpacked from 18";
}

std::string rangeText(bool present, double minimum, double maximum) {
    return present ? formatValue(minimum) + " .. " + formatValue(maximum) : "-";
}

void printFailureLines(FILE* err, const std::string& what, const std::vector<std::string>& lines) {
    std::fprintf(err, "ovrinfo: %s\n", what.c_str());
    for (const std::string& line : lines) std::fprintf(err, "ovrinfo:   %s\n", printable(line).c_str());
}

void printLoadFailure(const FrameSummary& summary, FILE* out, FILE* err) {
    const std::string reason = loadFailureReason(summary.loadCode, summary.fileExists);
    std::fprintf(out, "%s\n", summary.path.c_str());
    printField(out, "Load failed", reason);
    printFailureLines(err, "cannot load " + summary.path + ": " + reason, summary.loadLines);
}

void printGridChannels(const FrameSummary& summary, FILE* out, FILE* err) {
    int readable = 0;
    bool anyValue = false, anyNonFinite = false;
    for (const GridChannelInfo& info : summary.channels) {
        readable += info.readable ? 1 : 0;
        anyValue = anyValue || info.hasValue;
        anyNonFinite = anyNonFinite || info.stats.nonFinite() > 0;
    }
    int stored = 0;
    for (const GridChannelInfo& info : summary.channels) stored += info.stored ? 1 : 0;
    printField(out, "Grid channels",
               summary.channels.empty() ? "none"
                                        : std::to_string(readable) + " readable, " + std::to_string(stored) + " stored");
    if (summary.channels.empty()) return;

    std::vector<TextTable::Column> columns = {{"#", TextTable::Right},        {"Grid name", TextTable::Left},
                                              {"Content", TextTable::Left},   {"Source", TextTable::Left},
                                              {"Stored range", TextTable::Left}};
    if (anyValue) columns.push_back({"Stored value", TextTable::Right});
    if (summary.statsAsked) {
        columns.insert(columns.end(), {{"Min", TextTable::Right}, {"Max", TextTable::Right}, {"Mean", TextTable::Right}});
        if (anyNonFinite) columns.push_back({"NaN/Inf", TextTable::Right});
    }
    TextTable table(columns);
    for (const GridChannelInfo& info : summary.channels) {
        std::vector<std::string> row = {std::to_string(info.channel), gridName(info.channel),
                                        gridChannelContent(info.channel), channelSource(info),
                                        rangeText(info.hasRange, info.rangeMinimum, info.rangeMaximum)};
        if (anyValue) row.push_back(info.hasValue ? std::to_string(info.value) : "-");
        if (info.decode == DecodeState::Decoded && info.stats.count() > 0) {
            row.insert(row.end(), {formatValue(info.stats.minimum()), formatValue(info.stats.maximum()),
                                   formatValue(info.stats.mean())});
            if (anyNonFinite) row.push_back(withThousands(info.stats.nonFinite()));
        } else if (info.decode == DecodeState::Decoded) {
            row.push_back("no finite values");
        } else if (info.decode == DecodeState::Failed) {
            row.push_back("FAILED");
        }
        table.addRow(row);
    }
    table.print(out, TableIndent);

    for (const GridChannelInfo& info : summary.channels)
        if (info.decode == DecodeState::Failed)
            printFailureLines(err,
                              summary.path + ": grid channel " + std::to_string(info.channel) + " (" +
                                  gridName(info.channel) + ") failed to decode",
                              info.loaderLines);
}

std::string channelList(uint32_t channels) {
    std::string text;
    for (int c = 0; c < CacheIO::ParticleChannelCount; ++c) {
        if ((channels & (1u << c)) == 0) continue;
        if (!text.empty()) text += ", ";
        text += std::to_string(c);
        const std::string content = particleChannelContent(c);
        if (content != "-") text += " " + content;
    }
    return text.empty() ? "none" : text;
}

std::string kindText(int32_t kind) {
    if (kind == 0) return "0";
    char text[48];
    std::snprintf(text, sizeof text, "0x%" PRIx32 "%s", static_cast<uint32_t>(kind),
                  kind == FumaraFrameData::PGroup::GridVelocityKind ? " (grid velocity)" : "");
    return text;
}

void printGroupTable(const FrameSummary& summary, FILE* out) {
    TextTable table({{"Group", TextTable::Left},
                     {"Particles", TextTable::Right},
                     {"Kind", TextTable::Left},
                     {"Channels", TextTable::Left}});
    for (const ParticleGroupInfo& group : summary.groups) {
        std::string channels = channelList(group.channels);
        if (!group.hasPositions) channels += " (no positions: hidden from hosts)";
        table.addRow({printable(group.name), withThousands(group.count), kindText(group.kind), channels});
    }
    table.print(out, TableIndent);
}

std::string typeText(int type) {
    switch (type) {
    case FloatType:
        return "float";
    case IdType:
        return "int64";
    case IntegerType:
        return "int32";
    default:
        return "type " + std::to_string(type);
    }
}

std::string componentName(int components, int k) {
    static const char* const axes[] = {"x", "y", "z"};
    return components == 1 ? "-" : k < 3 ? axes[k] : std::to_string(k);
}

template <class T>
void addStatsCells(std::vector<std::string>& row, const ValueStats<T>& stats) {
    if (stats.count() == 0) {
        row.push_back("no finite values");
        return;
    }
    if constexpr (std::is_floating_point<T>::value)
        row.insert(row.end(), {formatValue(stats.minimum()), formatValue(stats.maximum())});
    else
        row.insert(row.end(), {std::to_string(stats.minimum()), std::to_string(stats.maximum())});
    row.push_back(formatValue(stats.mean()));
}

void printParticleStats(const FrameSummary& summary, FILE* out, FILE* err) {
    TextTable table({{"Group", TextTable::Left},
                     {"Channel", TextTable::Left},
                     {"Type", TextTable::Left},
                     {"Component", TextTable::Left},
                     {"Min", TextTable::Right},
                     {"Max", TextTable::Right},
                     {"Mean", TextTable::Right}});
    bool any = false;
    for (const ParticleGroupInfo& group : summary.groups) {
        for (const ParticleChannelInfo& channel : group.stats) {
            any = true;
            std::string label = std::to_string(channel.channel);
            const std::string content = particleChannelContent(channel.channel);
            if (content != "-") label += " " + content;
            const std::vector<std::string> lead = {printable(group.name), label, typeText(channel.type)};
            if (channel.decode == DecodeState::Failed) {
                std::vector<std::string> row = lead;
                row.insert(row.end(), {"", "FAILED"});
                table.addRow(row);
                continue;
            }
            for (int k = 0; k < channel.components; ++k) {
                std::vector<std::string> row = k == 0 ? lead : std::vector<std::string>{"", "", ""};
                row.push_back(componentName(channel.components, k));
                if (!channel.floats.empty())
                    addStatsCells(row, channel.floats[static_cast<size_t>(k)]);
                else
                    addStatsCells(row, channel.integers[static_cast<size_t>(k)]);
                table.addRow(row);
            }
        }
    }
    if (!any) return;
    std::fprintf(out, "  Particle values\n");
    table.print(out, TableIndent);

    for (const ParticleGroupInfo& group : summary.groups)
        for (const ParticleChannelInfo& channel : group.stats)
            if (channel.decode == DecodeState::Failed)
                printFailureLines(err,
                                  summary.path + ": particle channel " + std::to_string(channel.channel) +
                                      " of group \"" + printable(group.name) + "\" failed to decode (" +
                                      withThousands(channel.particlesRead) + " of " + withThousands(group.count) +
                                      " particles read)",
                                  channel.loaderLines);
}

void printParticles(const FrameSummary& summary, FILE* out, FILE* err) {
    if (summary.groups.empty()) {
        // Without -stats the frame is read without its bulk data, which skips the particle data
        // chunk; groups that only it holds (no particle directory) show with -stats only.
        printField(out, "Particles", summary.statsAsked ? "none" : "none listed (-stats reads all particle data)");
        return;
    }
    int64_t particles = 0;
    for (const ParticleGroupInfo& group : summary.groups) particles += group.count;
    std::string value = std::to_string(summary.groups.size()) + (summary.groups.size() == 1 ? " group, " : " groups, ") +
                        withThousands(particles) + " particles";
    const float* bounds = summary.particleBounds;
    if (bounds[0] <= bounds[3] && bounds[1] <= bounds[4] && bounds[2] <= bounds[5])
        value += ", bounds " + formatTriple(bounds) + " -> " + formatTriple(bounds + 3);
    printField(out, "Particles", value);
    printGroupTable(summary, out);
    if (summary.statsAsked) printParticleStats(summary, out, err);
}

std::string resolutionText(const int32_t r[3]) {
    std::string text = std::to_string(r[0]) + " x " + std::to_string(r[1]) + " x " + std::to_string(r[2]);
    int64_t voxels = 1;
    for (int axis = 0; axis < 3; ++axis)
        if (r[axis] < 0 || __builtin_mul_overflow(voxels, int64_t(r[axis]), &voxels)) return text + " (not usable)";
    return text + " (" + withThousands(voxels) + " voxels)";
}

}  // namespace

void printFrameReport(const FrameSummary& summary, FILE* out, FILE* err) {
    if (!summary.loaded()) {
        printLoadFailure(summary, out, err);
        return;
    }
    std::fprintf(out, "%s\n", summary.path.c_str());
    printField(out, "Container",
               "version " + std::to_string(summary.containerVersion) + ", " + withThousands(summary.fileSize) + " bytes");
    std::string frame = std::to_string(summary.frameNumber);
    if (summary.frameInName != kNoFrame && summary.frameInName != summary.frameNumber)
        frame += " (the file name says " + std::to_string(summary.frameInName) + ")";
    printField(out, "Frame", frame);
    printField(out, "Resolution", resolutionText(summary.resolution));
    const std::vector<std::string> transform = transformLines(summary.transform);
    printField(out, "Transform", transform.front());
    for (size_t i = 1; i < transform.size(); ++i) printContinuation(out, transform[i]);
    if (!summary.text.empty()) printField(out, "Text", printable(summary.text));
    printGridChannels(summary, out, err);
    printParticles(summary, out, err);
}

}  // namespace OvrInfo
