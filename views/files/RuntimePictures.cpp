// Registration of pictures drawn at run time.
#include "views/files/RuntimePictures.h"

#include "controls/CResourceLibrary.h"

#include <QSet>

void InstallRuntimePicture(unsigned id, const std::function<QImage()>& paint)
{
    static QSet<unsigned> installed;
    CResourceLibrary& lib = CResourceLibrary::Instance();
    if (!installed.contains(id) && !lib.LoadBitmap(id).isNull()) return;
    lib.SetOverrideBitmap(id, paint());
    installed.insert(id);
}
