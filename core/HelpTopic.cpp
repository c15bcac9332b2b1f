// The help book's pages and the hand-over of a topic to the installed viewer.
#include "core/HelpTopic.h"

#include "platform/Folders.h"
#include "platform/Log.h"

#include <algorithm>

namespace {

HelpViewer& InstalledViewer()
{
    static HelpViewer viewer;
    return viewer;
}

bool IsBookLanguage(const std::string& name)
{
    return name == "English" || name == "Deutsch" || name == "Japanese";
}

} // namespace

const std::vector<HelpTopicPage>& HelpBookPages()
{
    static const std::vector<HelpTopicPage> pages = {
        {0, kHelpStartPage},          {15, "recovery-mode.html"},
        {52, "file-types.html"},      {16, "deleted-file-recovery.html"},
        {50, "format-recovery.html"}, {51, "partition-recovery.html"},
        {23, "found-files.html"},     {25, "save-path.html"},
        {27, "save-result.html"},     {46, "options.html"},
        {20, "disk-images.html"},
    };
    return pages;
}

std::string HelpPageForTopic(int contextId)
{
    const auto& pages = HelpBookPages();
    const auto it = std::find_if(pages.begin(), pages.end(),
                                 [contextId](const HelpTopicPage& p) { return p.contextId == contextId; });
    return it != pages.end() ? it->fileName : kHelpStartPage;
}

std::filesystem::path HelpBookFolder(const std::string& languageName)
{
    const std::filesystem::path help = plat::DataFolder() / "help";
    if (IsBookLanguage(languageName)) {
        std::error_code ec;
        if (std::filesystem::is_directory(help / languageName, ec)) return help / languageName;
    }
    return help / kHelpDefaultLanguage;
}

HelpViewer SetHelpViewer(HelpViewer viewer)
{
    HelpViewer previous = std::move(InstalledViewer());
    InstalledViewer() = std::move(viewer);
    return previous;
}

int OpenHelpTopic(void* window, int contextId)
{
    const HelpViewer viewer = InstalledViewer(); // a copy: the viewer may replace itself while it runs
    if (!viewer) {
        LogError("No help viewer to show topic %d", contextId);
        return 0;
    }
    LogInfo("Opening help at topic %d (%s)", contextId, HelpPageForTopic(contextId).c_str());
    viewer(window, contextId);
    return 0;
}
