// Strings and bitmaps by resource id. Each is looked up in the language bundle loaded at start-up
// (<data>/<Language>.rcc, by absolute path) first and then in the program's own resources (the English
// texts and skin, compiled in), so that a missing bundle or id still shows something sensible.
// Safe to use from any thread.
#pragma once

#include <QHash>
#include <QIcon>
#include <QImage>
#include <QString>
#include <QStringList>
#include <mutex>

#include "controls/CStringTable.h"

class CResourceLibrary {
public:
    static CResourceLibrary& Instance();

    // Loads the bundle at an absolute path in place of the current one. On failure (relative path, missing
    // or damaged file, bad string table) the previous bundle stays and false is returned with error set.
    bool LoadLanguageBundle(const QString& absolutePath, QString* error = nullptr);
    void UnloadLanguageBundle();
    QString LanguageBundlePath() const;
    // <data folder>/<languageName>.rcc.
    static QString BundlePathFor(const QString& languageName);

    // The text of a string id, or of a named key (dialog and skin texts); a null QString when neither the
    // bundle nor the program holds it.
    QString LoadString(unsigned id) const;
    QString LoadText(const QString& key) const;
    // The program's own (English) text of a string id or key, whatever bundle is loaded.
    QString LoadProgramString(unsigned id) const;
    QString LoadProgramText(const QString& key) const;

    // The bitmap of an id as stored (a null image when neither holds it); icons are made from bitmaps.
    QImage LoadBitmap(unsigned id) const;
    QIcon LoadIcon(unsigned id) const;

    // The keys of the loaded bundle's table and the ids of its bitmaps (empty without a bundle).
    QStringList BundleKeys() const;
    QList<unsigned> BundleBitmapIds() const;

    // Bitmaps set here are found before the bundle's (pictures made at run time, test fixtures).
    void SetOverrideBitmap(unsigned id, const QImage& image);
    void ClearOverrideBitmaps();

private:
    CResourceLibrary();
    QImage FindBitmap(unsigned id) const;

    mutable std::mutex m_lock;
    QString m_bundlePath;
    CStringTable m_bundleStrings;
    CStringTable m_programStrings;
    QHash<unsigned, QImage> m_overrides;
    mutable QHash<unsigned, QImage> m_bitmapCache;
};

// The product name (string 346), the caption of every message box; "Salvix" when no table holds it.
QString ProductName();
