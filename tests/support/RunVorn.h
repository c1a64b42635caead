#pragma once

#include <string>
#include <vector>

#include <QProcess>
#include <QStringList>

// What one run of the built program gave.
struct VornRun {
    int status = -1;  // the exit status; -1 when it crashed or never ran
    std::string out;
    std::string err;
};

// Runs the program (VORN_BINARY, or another copy of it) with these
// arguments and waits for it to end; extraEnvironment holds NAME=VALUE entries
// that override the test's own environment, an entry without '=' removes that
// variable.
inline VornRun RunVorn(const std::vector<std::string>& args, const std::vector<std::string>& extraEnvironment = {},
                       const std::string& binary = VORN_BINARY)
{
    QStringList arguments;
    for (const std::string& argument : args)
        arguments << QString::fromStdString(argument);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const std::string& entry : extraEnvironment) {
        const size_t equals = entry.find('=');
        if (equals == std::string::npos)
            environment.remove(QString::fromStdString(entry));
        else
            environment.insert(QString::fromStdString(entry.substr(0, equals)),
                               QString::fromStdString(entry.substr(equals + 1)));
    }
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QString::fromStdString(binary), arguments);
    VornRun run;
    if (!process.waitForFinished(120000))
        return run;
    run.out = process.readAllStandardOutput().toStdString();
    run.err = process.readAllStandardError().toStdString();
    if (process.exitStatus() == QProcess::NormalExit)
        run.status = process.exitCode();
    return run;
}
