#pragma once

#include "support/ProgramRun.h"
#include "support/TempDir.h"

#include <QByteArray>
#include <QStringList>

// The program itself, started without a display in a working directory of its own, with its
// output as Qt bytes for the GUI tests' comparisons.
struct CHeadlessRun
{
    // -1: did not end within the budget (it was killed); -2: crashed.
    int exitCode = -1;
    QByteArray out;
    QByteArray err;

    static CHeadlessRun Start(const QStringList& arguments, const CTempDir& dir,
                              int budgetMs = 120000)
    {
        std::vector<std::string> texts;
        for (const QString& argument : arguments)
            texts.push_back(argument.toStdString());
        CProgramOptions options;
        options.budget = std::chrono::milliseconds(budgetMs);
        const CProgramRun run = RunProgram(HARVESTOR_BINARY, texts, dir.Path().string(), options);
        return CHeadlessRun{run.exitCode, QByteArray::fromStdString(run.out),
                            QByteArray::fromStdString(run.err)};
    }

    // The URLs printed on standard output.
    QList<QByteArray> Lines() const { return out.split('\n'); }
};
