#pragma once

#include <cstdint>
#include <string>

class CTrawlerCore;
struct CFrameMessage;
class CTrawlerCommandLineInfo;

// The start-up and shut-down steps that the window and the headless tool share, in the order
// in which both call them. Each runs on the front-end's own thread.

// The network library, before any thread starts. False: the program cannot run.
bool StartNetworkLibrary();
void StopNetworkLibrary();

// The options (defaults when the file is missing or unusable; an unusable one is kept aside,
// since the end of the run writes the options in its place), published to the workers.
void LoadOptions(CTrawlerCore& core);

// The histories that the options ask for, after the session is open.
void LoadHistories(CTrawlerCore& core);

// Puts the site into the site tree and starts browsing it with mode number modeIndex (0 to 2;
// any other number browses with the default mode). The browse starts even when the tree had
// the URL already. Used by the command line and by the Add Site command.
void StartSiteBrowse(CTrawlerCore& core, const std::string& siteText, std::int32_t modeIndex);

// Browses the command line's sites; with "term" (or "hide") the program then ends when all its
// work is done.
void BrowseCommandLineSites(CTrawlerCore& core, const CTrawlerCommandLineInfo& commandLine);

// The part of a worker's message that concerns the core, whichever front-end shows the rest:
// start download workers (never once closing has begun: closing waits for the workers, and a
// new one would download on after it), and let the next browse start without the last one's
// cancel once no browse runs.
void ServeCoreMessage(CTrawlerCore& core, const CFrameMessage& message, bool closing);

// True when "terminate when done" is set and no browse or download runs or waits: the
// front-end then closes.
bool IsWorkDone(CTrawlerCore& core);

// True while a browse or a download worker may still use the session. A browse counts as
// running before its thread has made its browser, so both counts are looked at.
bool WorkersRunning(const CTrawlerCore& core);

// The first step of closing: every browse and download is told to stop.
void CancelAllWork(CTrawlerCore& core);

// Writes the options when this run changed them or found no usable file: a run that changed
// nothing leaves the file as it is, whatever another program wrote there meanwhile. A failure
// is reported to the user with the file's name and the reason; false then.
bool SaveOptions(CTrawlerCore& core);

// After every worker has ended: closes the Internet session and writes the histories that
// start-up loaded (an early end keeps the old files). Each file that cannot be written is
// reported to the user with its name and the reason; false then.
bool EndSession(CTrawlerCore& core);
