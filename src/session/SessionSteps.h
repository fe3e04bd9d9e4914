#pragma once

#include "platform/EngineEvents.h"

#include <cstdint>
#include <string>

class CTrawlerCore;
class CTrawlerCommandLineInfo;

// The start-up and shut-down steps that the window and the headless tool share, in the order
// in which both call them. Each runs on the front-end's own thread.

// The network library, before any thread starts. False: the program cannot run.
bool StartNetworkLibrary();
void StopNetworkLibrary();

// The options (defaults when the file is missing or unusable; an unusable one is kept aside,
// since the end of the run writes the options in its place), published to the workers.
void LoadOptions(CTrawlerCore& core);

// The Internet session with the agent string, and download workers for every file the engine
// queues. False when libcurl cannot start.
bool OpenEngine(CTrawlerCore& core, const std::string& agent);

// The histories that the options ask for, after the session is open.
void LoadHistories(CTrawlerCore& core);

// Puts the site into the site tree and starts browsing it with mode number modeIndex (0 to 2;
// any other number browses with the default mode). The browse starts even when the tree had
// the URL already. Used by the command line and by the Add Site command.
void StartSiteBrowse(CTrawlerCore& core, const std::string& siteText, std::int32_t modeIndex);

// Browses the command line's sites; with "term" (or "hide") the program then ends when all its
// work is done.
void BrowseCommandLineSites(CTrawlerCore& core, const CTrawlerCommandLineInfo& commandLine);

// True when "terminate when done" is set and no browse or download runs or waits: the
// front-end then closes.
bool IsWorkDone(CTrawlerCore& core);

// True while a browse thread or a download worker has not ended: it may still use the session.
bool WorkersRunning(const CTrawlerCore& core);

// The first step of closing: every browse and download is told to stop, none starts any more
// (a worker started now would download on after the close), and a login prompt that a worker
// waits for ends as Cancel.
void CancelAllWork(CTrawlerCore& core);

// After CancelAllWork: waits for every browse thread and download worker to end and joins it.
void JoinAllWork(CTrawlerCore& core);

// Writes the options when this run changed them or found no usable file: a run that changed
// nothing leaves the file as it is, whatever another program wrote there meanwhile. A failure
// is reported to the user with the file's name and the reason; false then.
bool SaveOptions(CTrawlerCore& core);

// After every worker has ended: closes the Internet session and writes the histories that
// start-up loaded (an early end keeps the old files). Each file that cannot be written is
// reported to the user with its name and the reason; false then.
bool EndSession(CTrawlerCore& core);
