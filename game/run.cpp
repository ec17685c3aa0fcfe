#include "game/recordskeeper.h"

using namespace records;

namespace {

void logFailure(const SaveResult& saved, const RecordsFile& file)
{
    if (!saved.ok)
        logLine(QStringLiteral("could not save %1: %2").arg(file.displayPath(), saved.error));
}

QString whyNotSaved(SaveProblem problem)
{
    switch (problem) {
    case SaveProblem::NotARegularFile:
        return QStringLiteral("那里的同名项目不是普通文件,没有改动它。");
    case SaveProblem::Unencodable:
        return QStringLiteral("名字里有无法写入文件的字符,原文件保持不变。");
    case SaveProblem::WriteProtected:
        return QStringLiteral("文件设为只读(写保护),本次的纪录和设置没有保存,原文件保持不变。");
    case SaveProblem::Busy:
        return QStringLiteral("另一个运行中的本游戏一直占用着它,为免覆盖那边的纪录,本次没有保存,原文件保持不变。");
    case SaveProblem::KeptChanging:
        return QStringLiteral("保存时它一直在被改动,本次没有保存,原文件保持不变。");
    case SaveProblem::WriteFailed:
    case SaveProblem::None:
        break;
    }
    return QStringLiteral("无法写入,原文件保持不变。");
}

}  // namespace

RecordsKeeper::RecordsKeeper(RecordsFile file, safefile::Files& files) : file_(std::move(file)), files_(files) {}

Records RecordsKeeper::load()
{
    const LoadResult result = LoadRecords(file_, files_);
    loaded_ = result.records;
    loadOutcome_ = result.outcome;
    if (!result.error.isEmpty())
        logLine(QStringLiteral("cannot use %1: %2").arg(file_.displayPath(), result.error));
    return result.records;
}

QString RecordsKeeper::toldAtStart() const
{
    switch (loadOutcome_) {
    case LoadOutcome::Unreadable:
        return QStringLiteral("无法读取纪录文件:\n%1\n本次使用默认的设置和纪录。").arg(file_.displayPath());
    case LoadOutcome::Damaged:
        return QStringLiteral("纪录文件已损坏(含有无法识别的内容):\n%1\n本次使用默认的设置和纪录;"
                              "只有在您改了设置或破了纪录时,关闭时才会替换它。")
            .arg(file_.displayPath());
    case LoadOutcome::Loaded:
    case LoadOutcome::Absent:
        break;
    }
    return {};
}

void RecordsKeeper::remember(const Records& shown)
{
    const std::lock_guard lock(mutex_);
    shownLast_ = shown;
}

std::optional<SaveResult> RecordsKeeper::saveOnce(const std::optional<Records>& ours)
{
    const std::lock_guard lock(mutex_);
    if (saved_)
        return std::nullopt;
    saved_ = true;
    SaveResult saved = SaveRecords(loaded_, ours.value_or(shownLast_), file_, files_);
    logFailure(saved, file_);
    return saved;
}

QString RecordsKeeper::save(const Records& shown)
{
    const std::optional<SaveResult> saved = saveOnce(shown);
    if (!saved)
        return {};
    if (!saved->ok)
        return QStringLiteral("无法保存纪录文件:\n%1\n%2").arg(file_.displayPath(), whyNotSaved(saved->problem));
    if (saved->written && saved->replacedUnusable)
        return QStringLiteral("原先%1的纪录文件已换成本次的设置和纪录:\n%2")
            .arg(loadOutcome_ == LoadOutcome::Damaged ? QStringLiteral("已损坏") : QStringLiteral("无法读取"),
                 file_.displayPath());
    return {};
}

bool RecordsKeeper::saveRemembered() { return saveOnce(std::nullopt).has_value(); }

void RecordsKeeper::saveAhead(const Records& asTheyWillStand)
{
    const std::lock_guard lock(mutex_);
    if (!saved_)
        logFailure(SaveRecords(loaded_, asTheyWillStand, file_, files_), file_);
}
