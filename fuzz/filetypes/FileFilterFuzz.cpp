// fuzz-target: salvix_filetypes
// The file-type catalogue ("FileFilter.xml") loaded from a file holding the input, with its ids looked up,
// and the same text through the XML wrapper's parse and element walk.
#include "core/CMarkupMSXML.h"
#include "core/filetypes/CMapFileTypeInfo.h"
#include "fuzz/common/FuzzFile.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 1 << 18) return -1;
    const std::string path = fuzz::WriteFuzzFile("FileFilter.xml", data, size);
    CMapFileTypeInfo map;
    volatile uint64_t sink = uint64_t(map.LoadFromXml(path.c_str())) + map.GetCount();
    for (uint32_t id : map.GetIdList()) sink = sink + (map.Find(id) != nullptr);

    CMarkupMSXML xml;
    if (xml.SetDocumentText(std::string(reinterpret_cast<const char*>(data), size))) {
        int elements = 0;
        while (xml.FindElement() && ++elements < 10000) {
            sink = sink + xml.GetAttribute("Id").size();
            while (xml.FindChildElement() && ++elements < 10000)
                sink = sink + xml.GetChildAttribute("Id").size() + xml.GetChildText().size() + xml.GetChildXml().size();
        }
        sink = sink + xml.GetDoc().size();
    }
    (void)sink;
    return 0;
}
