#include "game/run.h"

#include "system/console.h"
#include "system/sessionend.h"

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <chrono>
#include <cstdlib>

using namespace records;

namespace {

void logFailure(const SaveResult& saved, const RecordsFile& file)
{
    if (!saved.ok())
        logLine(QStringLiteral("could not save %1: %2").arg(file.displayPath(), saved.error));
}

// Why a save wrote nothing; what it left the file as is said after it.
QString whyNotSaved(SaveProblem problem)
{
    switch (problem) {
    case SaveProblem::NotARegularFile:
        return QStringLiteral("那里的同名项目不是普通文件,没有改动它。");
    case SaveProblem::Unencodable:
        return QStringLiteral("名字里有无法写入文件的字符,本次没有保存。");
    case SaveProblem::WriteProtected:
        return QStringLiteral("文件设为只读(写保护),本次的纪录和设置没有保存。");
    case SaveProblem::Busy:
        return QStringLiteral("另一个运行中的本游戏一直占用着它,为免覆盖那边的纪录,本次没有保存。");
    case SaveProblem::LockUnopenable:
        return QStringLiteral("它旁边的锁文件 dat.ini.lock 是另一位用户的本游戏建立的,本游戏无法打开它;"
                              "为免覆盖那边的纪录,本次没有保存。如果那边的游戏都已关闭,删除这个锁文件即可。");
    case SaveProblem::KeptChanging:
        return QStringLiteral("保存时它一直在被改动,本次没有保存。");
    case SaveProblem::WriteFailed:
    case SaveProblem::None:
        break;
    }
    return QStringLiteral("无法写入,本次没有保存。");
}

QString whatBecameOfIt(const SaveResult& saved)
{
    if (saved.problem == SaveProblem::NotARegularFile)
        return {};
    return saved.unchanged ? QStringLiteral("原文件保持不变。") : QStringLiteral("保存期间文件已被改动,请查看它现在的内容。");
}

}  // namespace

Run::Run(RecordsFile file, safefile::Files& files) : file_(std::move(file)), files_(files) {}

Run::~Run() = default;

Records Run::load()
{
    const LoadResult result = LoadRecords(file_, files_);
    loaded_ = result.records;
    loadOutcome_ = result.outcome;
    if (!result.error.isEmpty())
        logLine(QStringLiteral("cannot use %1: %2").arg(file_.displayPath(), result.error));
    return result.records;
}

QString Run::toldAtStart() const
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

void Run::remember(const Records& shown)
{
    const std::lock_guard lock(mutex_);
    shownLast_ = shown;
}

std::optional<SaveResult> Run::saveOnce(const std::optional<Records>& ours)
{
    const std::lock_guard lock(mutex_);
    if (saved_)
        return std::nullopt;
    saved_ = true;
    SaveResult saved = SaveRecords(loaded_, ours.value_or(shownLast_), file_, files_);
    logFailure(saved, file_);
    return saved;
}

QString Run::windowCloses(const Records& shown)
{
    const std::optional<SaveResult> saved = saveOnce(shown);
    if (!saved)
        return {};
    if (!saved->ok())
        return QStringLiteral("无法保存纪录文件:\n%1\n%2%3")
            .arg(file_.displayPath(), whyNotSaved(saved->problem), whatBecameOfIt(*saved));
    if (saved->written && saved->replacedUnusable)
        return QStringLiteral("原先%1的纪录文件已换成本次的设置和纪录:\n%2")
            .arg(loadOutcome_ == LoadOutcome::Damaged ? QStringLiteral("已损坏") : QStringLiteral("无法读取"),
                 file_.displayPath());
    return {};
}

bool Run::saveRemembered() { return saveOnce(std::nullopt).has_value(); }

void Run::attachWindow(std::function<Records()> shownOnceBoxesCancelled, std::function<void()> close)
{
    shownOnceBoxesCancelled_ = std::move(shownOnceBoxesCancelled);
    closeWindow_ = std::move(close);
}

void Run::boxClosed()
{
    --openBoxes_;
    if (sessionEnding_ && openBoxes_ == 0)
        QTimer::singleShot(0, this, [this] { closeWindow_(); });
}

void Run::sessionEnds()
{
    sessionEnding_ = true;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QDialog*>(window); box && box->isVisible())
            box->reject();
    if (openBoxes_ == 0) {
        closeWindow_();
        return;
    }
    // A box's handler goes on only once the box's loop has control back, and Windows may
    // end the program before that: the records are saved now, not counting as the run's
    // save, and saved again when the window closes.
    const std::lock_guard lock(mutex_);
    if (!saved_)
        logFailure(SaveRecords(loaded_, shownOnceBoxesCancelled_(), file_, files_), file_);
}

void Run::watchSessionEnd(QGuiApplication& app)
{
    endSignals_ = std::make_unique<SessionEndSignals>();
    connect(endSignals_.get(), &SessionEndSignals::received, this, [this] { sessionEnds(); });
    connect(&app, &QGuiApplication::commitDataRequest, this, [this] { sessionEnds(); });
    endSignals_->setLastResort(std::chrono::seconds(10), [this] {
        saveRemembered();
        logLine(QStringLiteral("the window did not answer the end of the session; quit without it"));
        std::_Exit(0);
    });
}
