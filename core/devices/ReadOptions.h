// The process-wide option that the disk and volume reads consult: "Ignore bad sectors" (on by default).
#pragma once

bool IgnoreBadSectorsOption();
