// The process-wide analyser list and its rebuilding from RAW type ids.
#include "raw/RawAnalyserList.h"

#include "raw/RawAnalyserFactory.h"

void RawAnalyserList::Append(std::unique_ptr<IRawFileAnalyser> analyser)
{
    if (analyser) m_analysers.push_back(std::move(analyser));
}

void RawAnalyserList::ResetFromTypeIds(const std::vector<int>* typeIds)
{
    Clear();
    AppendRawAnalysersForTypeIds(*this, typeIds);
}

IRawFileAnalyser* RawAnalyserList::FindByAnalyserType(int analyserType) const
{
    for (const auto& analyser : m_analysers)
        if (static_cast<uint16_t>(analyser->GetType()) == static_cast<uint16_t>(analyserType)) return analyser.get();
    return nullptr;
}

RawAnalyserList& GetRawAnalyserList()
{
    static RawAnalyserList* const list = [] {
        static RawAnalyserList instance;
        BuildAllRawAnalysers(instance);
        return &instance;
    }();
    return *list;
}

void AppendRawAnalysersForTypeIds(RawAnalyserList& list, const std::vector<int>* typeIds)
{
    if (typeIds == nullptr) return;
    for (int id : *typeIds) CreateRawAnalysers(id, list);
}
