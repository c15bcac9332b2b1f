// Pictures drawn by the program itself and registered under bitmap ids, for the ids that neither the
// language bundle nor the program's compiled-in skin holds. A picture registered once is drawn again on
// each later install, so that texts in it follow the language loaded since. User-interface thread only.
#pragma once

#include <QImage>
#include <functional>

// Registers paint() under id unless the resources already hold a bitmap of their own for it.
void InstallRuntimePicture(unsigned id, const std::function<QImage()>& paint);
