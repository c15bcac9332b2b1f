// Qt's own texts (the standard buttons of message boxes, the file dialog) in the interface language: the
// translation Qt ships for the language of a bundle, from Qt's translation folder.
#pragma once

#include <QString>
#include <memory>

class QTranslator;

// The locale name of Qt's translation for a language bundle name ("Deutsch" -> "de", "Japanese" -> "ja");
// empty for English and unknown names.
QString QtLocaleForBundle(const QString& bundleName);

// Loads Qt's base translation for the bundle's language and installs it on the application; the caller
// keeps the translator (removing it uninstalls it). Null for English, or when the translation is missing.
std::unique_ptr<QTranslator> InstallQtTranslations(const QString& bundleName);
