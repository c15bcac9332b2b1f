// The process-wide list of RAW analysers that the signature scan offers sectors to, in order, and that the RAW
// result tree asks to measure hits; rebuilt for each scan from the selected RAW type ids.
#pragma once

#include "raw/IRawFileAnalyser.h"

#include <cstddef>
#include <memory>
#include <vector>

// Owns its analysers (several of one class are separate objects). No lock: the scan and the tree build that
// use it never run at the same time.
class RawAnalyserList {
public:
    RawAnalyserList() = default;
    RawAnalyserList(const RawAnalyserList&) = delete;
    RawAnalyserList& operator=(const RawAnalyserList&) = delete;

    void Append(std::unique_ptr<IRawFileAnalyser> analyser);
    // Deletes every analyser.
    void Clear() { m_analysers.clear(); }
    // Empties the list, then appends the analysers of each id in vector order (null: none).
    void ResetFromTypeIds(const std::vector<int>* typeIds);

    size_t Size() const { return m_analysers.size(); }
    bool Empty() const { return m_analysers.empty(); }
    IRawFileAnalyser* At(size_t index) const { return m_analysers[index].get(); }
    // The first analyser whose type, as an unsigned 16-bit value, equals analyserType (taken the same way, so
    // a hit restored from a state file with 65535 finds the custom analyser); null when none.
    IRawFileAnalyser* FindByAnalyserType(int analyserType) const;

    auto begin() const { return m_analysers.begin(); }
    auto end() const { return m_analysers.end(); }

private:
    std::vector<std::unique_ptr<IRawFileAnalyser>> m_analysers;
};

// The one list: made and filled by BuildAllRawAnalysers on the first call, destroyed at exit.
RawAnalyserList& GetRawAnalyserList();
// Appends one analyser of every built class, in the default order (RawAnalyserClass).
void BuildAllRawAnalysers(RawAnalyserList& list);
// For each id of the vector in order, CreateRawAnalysers; a null or empty vector appends nothing.
void AppendRawAnalysersForTypeIds(RawAnalyserList& list, const std::vector<int>* typeIds);
// Appends the analysers the factory names for the RAW type id (see RawAnalyserFactory.h).
void CreateRawAnalysers(int typeId, RawAnalyserList& list);
