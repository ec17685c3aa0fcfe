// Another copy of the running test program, started with arguments, that ends as the system
// kills a process (SIGKILL, TerminateProcess: its files closed, nothing of its own run) or
// is waited for. Qt for Windows is built without QProcess.
#pragma once

#include <QCoreApplication>
#include <QStringList>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <csignal>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>
#endif

class CopyProcess {
public:
    explicit CopyProcess(const QStringList& arguments)
    {
        const QStringList all = QStringList{QCoreApplication::applicationFilePath()} + arguments;
#ifdef Q_OS_WIN
        std::wstring line;
        for (const QString& argument : all)
            line += L"\"" + argument.toStdWString() + L"\" ";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION started{};
        if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started)) {
            CloseHandle(started.hThread);
            process_ = started.hProcess;
        }
#else
        std::vector<QByteArray> bytes;
        for (const QString& argument : all)
            bytes.push_back(argument.toLocal8Bit());
        std::vector<char*> argv;
        argv.reserve(bytes.size() + 1);
        for (QByteArray& argument : bytes)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        if (::posix_spawn(&pid_, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
            pid_ = -1;
#endif
    }
    ~CopyProcess()
    {
        kill();
        wait();
    }
    CopyProcess(const CopyProcess&) = delete;
    CopyProcess& operator=(const CopyProcess&) = delete;

    bool started() const
    {
#ifdef Q_OS_WIN
        return process_ != nullptr;
#else
        return pid_ > 0;
#endif
    }
    void kill()
    {
#ifdef Q_OS_WIN
        if (process_)
            TerminateProcess(process_, 9);
#else
        if (pid_ > 0)
            ::kill(pid_, SIGKILL);
#endif
    }
    // Its exit code, once it has ended; -1 when it did not start, or was killed on POSIX.
    int wait()
    {
        int code = -1;
#ifdef Q_OS_WIN
        DWORD exitCode = 0;
        if (process_ && WaitForSingleObject(process_, INFINITE) == WAIT_OBJECT_0
            && GetExitCodeProcess(process_, &exitCode))
            code = static_cast<int>(exitCode);
        if (process_)
            CloseHandle(process_);
        process_ = nullptr;
#else
        int status = 0;
        if (pid_ > 0 && ::waitpid(pid_, &status, 0) == pid_ && WIFEXITED(status))
            code = WEXITSTATUS(status);
        pid_ = -1;
#endif
        return code;
    }

private:
#ifdef Q_OS_WIN
    HANDLE process_ = nullptr;
#else
    pid_t pid_ = -1;
#endif
};
