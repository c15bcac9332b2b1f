// The base behaviour of RAW analysers: measuring changes nothing, and there are no texts.
#include "raw/IRawFileAnalyser.h"

int IRawFileAnalyser::Analyse(CRawFileInfo*, IStorageDevice*)
{
    return 1;
}

std::string IRawFileAnalyser::GetNamePrefix()
{
    return {};
}

std::string IRawFileAnalyser::GetExtraText()
{
    return {};
}
