// The program's version text, as the about boxes and the log banner show it.
#pragma once

// "5.1.1.8"; a static text, built once.
const char* GetVersionString();
