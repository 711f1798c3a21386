#include "model/labelstore.h"

#include "model/devicedata.h"
#include "model/strings.h"
#include "model/textcodec.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cstring>

namespace {

static_assert(sizeof(LabelSet) * combinationCount == labelSetsSize);
static_assert(sizeof(LabelSet) * combinationCount + sizeof(FlagOutputLabelSet) * combinationCount ==
              labelAreaSize);

char* labelArea(DeviceImage& image)
{
    return reinterpret_cast<char*>(image.labelSets);
}

} // namespace

LabelStore::LabelStore(DeviceData& data, QString directory, LogSink log, QObject* parent)
    : QObject(parent), m_data(data), m_directory(std::move(directory)), m_log(std::move(log))
{
}

QString LabelStore::filePath() const
{
    return QDir(m_directory).filePath(fileNameForCode(m_code));
}

QString LabelStore::fileNameForCode(int code)
{
    if (code >= 10 && code <= 99)
        return QStringLiteral("Labels_%1.nzw").arg(code / 10);
    return QStringLiteral("Labels.nzw");
}

void LabelStore::setLabelFileCode(int code)
{
    if (code == m_code)
        return;
    // 20 at start and 22 from the controller both name Labels_2.nzw: reloading it would
    // throw away label edits not yet saved.
    const bool sameFile = m_fileChosen && fileNameForCode(code) == fileNameForCode(m_code);
    m_code = code;
    if (sameFile)
        return;
    m_fileChosen = true;
    setLabelFileName(fileNameForCode(code));
    if (loadLabelFile())
        return;
    setLabelFileName(stringText(StringId::labelFileDefault));
    defaultFill();
}

bool LabelStore::loadLabelFile()
{
    const QString path = filePath();
    log(StringId::labelFileLoading, QDir::toNativeSeparators(path));

    // Only a regular file: opening a pipe of that name would wait for a writer.
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) {
        log(StringId::labelFileMissing);
        return false;
    }
    const qint64 size = file.size();
    if (size != qint64(labelSetsSize) && size != qint64(labelAreaSize)) {
        log(StringId::labelFileInvalid);
        return false;
    }
    // A file that shrank or grew since its size was taken (rewritten while it is read) is
    // as malformed as one of a wrong size; one byte more than wanted shows the growth.
    const QByteArray bytes = file.read(size + 1);
    if (bytes.size() != size) {
        log(StringId::labelFileInvalid);
        return false;
    }
    char* area = labelArea(m_data.image());
    std::memset(area, 0, labelAreaSize);
    std::memcpy(area, bytes.constData(), static_cast<std::size_t>(bytes.size()));
    return true;
}

bool LabelStore::saveLabelFile()
{
    QSaveFile file(filePath());
    const bool saved =
        file.open(QIODevice::WriteOnly) &&
        file.write(labelArea(m_data.image()), qint64(labelAreaSize)) == qint64(labelAreaSize) &&
        file.commit();
    log(saved ? StringId::labelFileSaved : StringId::labelFileSaveProblem);
    return saved;
}

void LabelStore::defaultFill()
{
    DeviceImage& image = m_data.image();

    for (int k = 0; k < circuitCount; ++k)
        setSlotText(image.labelSets[k].circuitDescription,
                    stringText(StringId::circuitDescriptionFirst + k));

    LabelSet& first = image.labelSets[0];
    for (int row = 0; row < timeRowCount; ++row)
        setSlotText(first.timeDescriptions[row], stringText(StringId::timeDescriptionFirst + row));
    for (int v = 0; v < variantCount; ++v)
        setSlotText(first.variantDescriptions[v],
                    stringText(StringId::variantDescriptionFirst + v));
    for (int k = 0; k < signalCount; ++k)
        setSlotText(first.signalNames[k], stringText(StringId::signalNameFirst + k));

    FlagOutputLabelSet& firstNames = image.flagOutputLabelSets[0];
    for (int slot = 0; slot < flagOutputSlotCount; ++slot)
        setSlotText(firstNames.names[slot], stringText(StringId::flagOutputDefault(slot)));

    // Sets 1..15 share the texts of set 0; circuit descriptions stay per set.
    for (int k = 1; k < combinationCount; ++k) {
        LabelSet& set = image.labelSets[k];
        std::memcpy(set.timeDescriptions, first.timeDescriptions, sizeof set.timeDescriptions);
        std::memcpy(set.signalNames, first.signalNames, sizeof set.signalNames);
        std::memcpy(set.variantDescriptions, first.variantDescriptions,
                    sizeof set.variantDescriptions);
        image.flagOutputLabelSets[k] = firstNames;
    }

    m_data.selectLabelSets(image.combinationIndex);
}

void LabelStore::setLabelFileName(const QString& name)
{
    if (name == m_labelFileName)
        return;
    m_labelFileName = name;
    emit labelFileNameChanged(name);
}

void LabelStore::log(int stringId, const QString& suffix) const
{
    if (m_log)
        m_log(stringText(stringId) + suffix);
}
