// Traces how long a labelled piece of work took, from construction to destruction.
#pragma once

#include <cstdint>

class CElapsedTimeLog {
public:
    explicit CElapsedTimeLog(const char* label);
    // Traces "<label> dwElapsedTime <ms>" and restarts the clock.
    ~CElapsedTimeLog();
    CElapsedTimeLog(const CElapsedTimeLog&) = delete;
    CElapsedTimeLog& operator=(const CElapsedTimeLog&) = delete;

private:
    char m_label[256] = {};
    uint32_t m_startTick;
};
