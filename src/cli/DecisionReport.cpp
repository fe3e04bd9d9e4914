#include "cli/DecisionReport.h"

#include "cli/FoundFilesReport.h"
#include "session/Engine.h"
#include "session/RunFlags.h"
#include "settings/LogFile.h"
#include "url/WhyText.h"

#include <cerrno>
#include <cstring>
#include <memory>

namespace
{

// " (set by -min-size)" when a setting of the command line made the decision.
std::string FlagNote(const CDecision& decision, const std::vector<CRunSetting>& settings)
{
    const std::string flag = FlagBehind(decision, settings);
    return flag.empty() ? std::string() : " (set by " + flag + ")";
}

} // namespace

void WriteWhyLines(std::FILE* out, const CEngine& engine, const std::vector<std::string>& urls,
                   const std::vector<CRunSetting>& settings)
{
    for (const std::string& url : urls)
    {
        std::string answer = engine.WhyAnswer(url);
        if (const std::optional<CLinkExplanation> link = engine.Explain(url))
            answer += FlagNote(link->decision, settings);
        std::fprintf(out, "%s\t%s\n", TsvField(MaskForOutput(url)).c_str(),
                     TsvField(MaskForOutput(answer)).c_str());
    }
    std::fflush(out);
}

bool WriteExplainFile(const std::string& path, const CEngine& engine,
                      const std::vector<CRunSetting>& settings, std::string& error)
{
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "w"),
                                                         &std::fclose);
    if (!file)
    {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    for (const CLinkExplanation& link : engine.ExplainAll())
    {
        const std::string fields[] = {link.url, std::string(VerdictWord(link.decision.verdict)),
                                      std::string(ReasonWord(link.decision.reason)),
                                      ValueText(link.decision) + FlagNote(link.decision, settings),
                                      link.foundOn};
        std::string line;
        for (const std::string& field : fields)
        {
            if (&field != fields)
                line += '\t';
            line += TsvField(MaskForOutput(field));
        }
        line += '\n';
        std::fputs(line.c_str(), file.get());
    }
    if (std::fflush(file.get()) != 0 || std::ferror(file.get()))
    {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}
