// One signature hit: where a file of a known type begins on the scanned device, its measured size, its
// type, and the analyser that matched it. The hit owns its two texts and nothing else.
#pragma once

#include <cstdint>
#include <string>

class IRawFileAnalyser;

class CRawFileInfo {
public:
    CRawFileInfo() = default;

    void SetStartSector(uint64_t sector) { m_startSector = sector; }
    uint64_t GetStartSector() const { return m_startSector; }
    // Bytes from the start sector; 0 while not measured.
    void SetSize(uint64_t size) { m_size = size; }
    uint64_t GetSize() const { return m_size; }
    void SetFileType(int type) { m_fileType = type; }
    int GetFileType() const { return m_fileType; }
    // -1 for the custom analyser; a hit read back from a recovery state holds the low 16 bits only.
    void SetAnalyserType(int type) { m_analyserType = type; }
    int GetAnalyserType() const { return m_analyserType; }
    void SetNamePrefix(const std::string& prefix) { m_namePrefix = prefix; }
    std::string GetNamePrefix() const { return m_namePrefix; }
    void SetExtraText(const std::string& text) { m_extraText = text; }
    std::string GetExtraText() const { return m_extraText; }
    // Not owned.
    void SetAnalyser(IRawFileAnalyser* analyser) { m_analyser = analyser; }
    IRawFileAnalyser* GetAnalyser() const { return m_analyser; }

private:
    uint64_t m_startSector = 0;
    uint64_t m_size = 0;
    int32_t m_fileType = 0;
    int32_t m_analyserType = 0xFFFF;
    std::string m_namePrefix;
    std::string m_extraText;
    IRawFileAnalyser* m_analyser = nullptr;
};
