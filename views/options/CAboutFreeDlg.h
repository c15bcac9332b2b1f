// The about box: the product name with its version and build date, the libraries the program is built
// with (their versions as the libraries report them, and their licences), and a link to the support page.
#pragma once

#include "controls/CSearchSuperDlg.h"

#include <QString>
#include <vector>

class CHyperLink;
class QLabel;

class CAboutFreeDlg : public CSearchSuperDlg {
    Q_OBJECT
public:
    static constexpr unsigned kTemplateId = 487;
    static constexpr unsigned kLinkId = 1186;
    static constexpr unsigned kNameId = 1141;

    struct LibraryRow {
        QString name;
        QString version;
        QString licence;
    };
    // The libraries linked into the program, in the order shown.
    static std::vector<LibraryRow> Libraries();
    // The support page behind the link.
    static QString SupportUrl();

    explicit CAboutFreeDlg(QWidget* parent);
    ~CAboutFreeDlg() override;

    CHyperLink* Link() const { return m_link; }
    QLabel* NameLabel() const { return m_name; }
    QLabel* LibrariesLabel() const { return m_libraries; }

protected:
    bool OnInitDialog() override;

private:
    CHyperLink* m_link = nullptr;
    QLabel* m_name = nullptr;
    QLabel* m_libraries = nullptr;
};
