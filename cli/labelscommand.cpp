#include "cli/offlinecommands.h"
#include "cli/offlinesession.h"
#include "model/textcodec.h"

#include <optional>

namespace {

std::optional<int> numberOption(const QCommandLineParser& parser, const QCommandLineOption& option,
                                int fallback, int highest)
{
    if (!parser.isSet(option))
        return fallback;
    bool ok = false;
    const int value = parser.value(option).toInt(&ok);
    if (!ok || value < 0 || value > highest)
        return std::nullopt;
    return value;
}

} // namespace

ExitCode runLabelsCommand(const CliCommand& self, const QStringList& arguments, CliIo& io)
{
    QCommandLineParser parser;
    const OfflineOptions options;
    options.addTo(parser, false);
    const QCommandLineOption codeOption(QStringLiteral("code"),
                                        QStringLiteral("Label file code 0..255 (default 20)."),
                                        QStringLiteral("N"));
    const QCommandLineOption combinationOption(QStringLiteral("combination"),
                                               QStringLiteral("Combination 0..15 (default 0)."),
                                               QStringLiteral("C"));
    parser.addOption(codeOption);
    parser.addOption(combinationOption);
    if (const std::optional<ExitCode> done = parseArguments(parser, arguments, io, self))
        return *done;
    if (!parser.positionalArguments().isEmpty())
        return usageError(io, QStringLiteral("no file expected"), self);
    const std::optional<int> code = numberOption(parser, codeOption, LabelStore::startCode, 255);
    if (!code)
        return usageError(io, QStringLiteral("--code takes a number from 0 to 255"), self);
    const std::optional<int> combination =
        numberOption(parser, combinationOption, 0, combinationCount - 1);
    if (!combination)
        return usageError(io, QStringLiteral("--combination takes a number from 0 to 15"), self);

    OfflineSession session(options.labelsDirectory(parser),
                           [&io](const QString& line) { io.err << line << '\n'; });
    session.labels.setLabelFileCode(*code);

    const DeviceImage& image = session.data.image();
    const LabelSet& set = image.labelSets[*combination];
    const FlagOutputLabelSet& names = image.flagOutputLabelSets[*combination];
    const auto line = [&io](const char* section, int index, const QString& text) {
        io.out << section << '\t' << index << '\t' << text << '\n';
    };
    for (int i = 0; i < timeRowCount; ++i)
        line("time", i, slotText(set.timeDescriptions[i]));
    for (int i = 0; i < signalCount; ++i)
        line("signal", i, slotText(set.signalNames[i]));
    for (int i = 0; i < variantCount; ++i)
        line("variant", i, slotText(set.variantDescriptions[i]));
    // Circuit k is described in label set k, whatever combination is shown.
    for (int i = 0; i < circuitCount; ++i)
        line("circuit", i, slotText(image.labelSets[i].circuitDescription));
    for (int i = 0; i < flagCount; ++i)
        line("flag", i, slotText(names.names[i]));
    for (int i = 0; i < outputCount; ++i)
        line("output", i, slotText(names.names[flagCount + i]));
    return ExitCode::Success;
}
