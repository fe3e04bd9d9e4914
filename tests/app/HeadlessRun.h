#pragma once

#include "support/TempDir.h"

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

// The program itself, started without a display in a working directory of its own.
struct CHeadlessRun
{
    // -1: did not end within the budget (it was killed); -2: crashed.
    int exitCode = -1;
    QByteArray out;
    QByteArray err;

    static CHeadlessRun Start(const QStringList& arguments, const CTempDir& dir,
                              int budgetMs = 120000)
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove("DISPLAY");
        environment.remove("WAYLAND_DISPLAY");
        environment.remove("QT_QPA_PLATFORM");
        environment.insert("XDG_CONFIG_HOME", QString::fromStdString(dir.File("config")));
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(QString::fromStdString(dir.Path().string()));
        process.start(QStringLiteral(HARVESTOR_BINARY), arguments);
        CHeadlessRun run;
        if (!process.waitForFinished(budgetMs))
        {
            process.kill();
            process.waitForFinished();
            return run;
        }
        run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
        run.out = process.readAllStandardOutput();
        run.err = process.readAllStandardError();
        return run;
    }

    // The URLs printed on standard output.
    QList<QByteArray> Lines() const { return out.split('\n'); }
};
