// Search dialog: panes laid out as a column of shown panes; OK turns them into criteria, walks the tree
// below the location and closes only when something was found.
#include "views/search/CSearchFileDlg.h"

#include "controls/CButtonPlus.h"
#include "controls/CResourceLibrary.h"
#include "controls/MessageBox.h"
#include "filesystems/tree/CFileNode.h"
#include "filesystems/tree/CSearchFileFilter.h"
#include "views/search/CFileTypeNameMap.h"
#include "views/search/CFoundFileList.h"
#include "views/search/FoundFileSearch.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMimeDatabase>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

#include <boost/regex.hpp>

#include <cstring>

namespace {

constexpr FILETIME kUnixEpochAsFileTime = 116444736000000000ull;
constexpr FILETIME kDay = 24ull * 60 * 60 * 10000000;

FILETIME FileTimeOf(const QDateTime& t)
{
    const qint64 ms = t.toMSecsSinceEpoch();
    return ms < 0 ? 0 : FILETIME(ms) * 10000 + kUnixEpochAsFileTime;
}

// The picked values as they stand, with no time-zone conversion.
FILETIME PickedTime(const QDateTimeEdit* edit)
{
    return FileTimeOf(QDateTime(edit->date(), edit->time(), Qt::UTC));
}

QString Text(unsigned id)
{
    return CResourceLibrary::Instance().LoadString(id);
}

// Ancestors' names from the top down, each followed by "\" ("Root" gives nothing), then the node's own.
QString PathOf(const CFileNode* node)
{
    QString path;
    std::vector<const CFileNode*> chain;
    for (const CFileNode* n = node->GetParent(); n; n = n->GetParent()) chain.push_back(n);
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        const char* name = (*it)->GetProperties() ? (*it)->GetProperties()->GetName() : "";
        if (std::strcmp(name, "Root") != 0) path += QString::fromUtf8(name) + "\\";
    }
    return path + QString::fromUtf8(node->GetProperties() ? node->GetProperties()->GetName() : "");
}

bool IsValidSearchName(const std::string& name)
{
    static const boost::regex s_allowed(R"(^[^\x5c/:"<>|]+$)");
    try {
        return boost::regex_match(name, s_allowed);
    } catch (...) {
        return false;
    }
}

QRect Pixels(const CDialogUnits& du, int x, int y, int cx, int cy)
{
    return QRect(du.ToPixelsX(x), du.ToPixelsY(y), du.ToPixelsX(cx), du.ToPixelsY(cy));
}

// The desktop's icon for the first extension of a list ("*" gives the plain-file icon).
QIcon TypeIcon(const std::string& extensions)
{
    static const QMimeDatabase s_db;
    const std::string first = extensions.substr(0, extensions.find(';'));
    const QMimeType type =
        first == "*" ? s_db.mimeTypeForName(QStringLiteral("application/octet-stream"))
                     : s_db.mimeTypeForFile("x" + QString::fromStdString(first), QMimeDatabase::MatchExtension);
    return QIcon::fromTheme(type.iconName(), QIcon::fromTheme(type.genericIconName()));
}

} // namespace

CSearchFileDlg::CSearchFileDlg(CFileSystemNode* root, CFileNode* start, CFoundFileList* results, QWidget* parent)
    : CSearchSuperDlg(kTemplate, parent), m_root(root), m_start(start), m_results(results)
{
    SetHelpTopic(kHelpTopic);
}

QWidget* CSearchFileDlg::MakeHeader(unsigned templateId, unsigned checkId, int pane)
{
    auto* w = new QWidget(this);
    w->resize(DialogUnits().ToPixelsX(230), DialogUnits().ToPixelsY(14));
    auto* box = new QCheckBox(
        CResourceLibrary::Instance().LoadText(QStringLiteral("dialog.%1.%2").arg(templateId).arg(checkId)), w);
    box->setGeometry(Pixels(DialogUnits(), 7, 2, 200, 10));
    connect(box, &QCheckBox::toggled, this, [this, pane] { TogglePane(pane + 1); });
    m_headers.push_back(box);
    return w;
}

QCheckBox* CSearchFileDlg::Header(int pane) const
{
    switch (pane) {
    case kTypeHeader: return m_headers[0];
    case kDateHeader: return m_headers[1];
    case kSizeHeader: return m_headers[2];
    case kOtherHeader: return m_headers[3];
    default: return nullptr;
    }
}

bool CSearchFileDlg::OnInitDialog()
{
    setWindowTitle(Text(kCaptionString));
    const CDialogUnits& du = DialogUnits();
    auto text = [](unsigned templateId, const char* control) {
        return CResourceLibrary::Instance().LoadText(QStringLiteral("dialog.%1.%2").arg(templateId).arg(control));
    };
    auto place = [&du](QWidget* w, int x, int y, int cx, int cy) { w->setGeometry(Pixels(du, x, y, cx, cy)); };
    auto pane = [&](int cy) {
        auto* w = new QWidget(this);
        w->resize(du.ToPixelsX(230), du.ToPixelsY(cy));
        return w;
    };

    QWidget* basic = pane(62);
    place(new QLabel(text(257, "1061"), basic), 7, 6, 60, 8);
    m_name = new QLineEdit(basic);
    m_name->setMaxLength(256);
    place(m_name, 70, 4, 150, 12);
    m_autoSelect = new QCheckBox(text(257, "1063"), basic);
    place(m_autoSelect, 7, 22, 200, 10);
    place(new QLabel(text(257, "1065"), basic), 7, 42, 60, 8);
    m_location = new QComboBox(basic);
    place(m_location, 70, 40, 150, 14);
    CFileNode* top = m_start;
    while (top && top->GetParent()) top = top->GetParent();
    if (top) {
        m_location->addItem(Text(398), QVariant::fromValue<void*>(top));
        CFileNode* level1 = m_start;
        while (level1 && level1->GetParent() && level1->GetParent() != top) level1 = level1->GetParent();
        if (level1 && level1 != top) m_location->addItem(PathOf(level1), QVariant::fromValue<void*>(level1));
        if (m_start != level1 && m_start != top)
            m_location->addItem(PathOf(m_start), QVariant::fromValue<void*>(m_start));
    }
    m_location->setCurrentIndex(0);

    QWidget* type = pane(22);
    m_type = new QComboBox(type);
    place(m_type, 20, 4, 200, 14);
    for (const auto& [key, value] : CFileTypeNameMap::GetInstance().GetEntries()) {
        m_typeKeys.push_back(key);
        const int index = int(m_typeKeys.size()) - 1;
        QString shown = QString::fromStdString(key);
        if (index == 0)
            shown = key.size() > 3 ? shown.mid(3) : Text(420);
        else if (index == 1)
            shown = key.size() > 3 ? shown.mid(3) : QStringLiteral("File");
        if (shown.isEmpty()) shown = QStringLiteral("Unkown Type Name");
        m_type->addItem(index == 0 ? QIcon() : TypeIcon(value), shown);
    }

    QWidget* date = pane(78);
    m_dateKind = new QComboBox(date);
    m_dateKind->addItems({Text(376), Text(377), Text(378)});
    place(m_dateKind, 20, 2, 100, 14);
    m_byMonths = new QRadioButton(text(253, "1073"), date);
    place(m_byMonths, 20, 20, 70, 10);
    m_months = new QSpinBox(date);
    m_months->setRange(1, 120);
    place(m_months, 92, 18, 40, 13);
    place(new QLabel(text(253, "months"), date), 136, 20, 60, 8);
    m_byDays = new QRadioButton(text(253, "1074"), date);
    place(m_byDays, 20, 35, 70, 10);
    m_days = new QSpinBox(date);
    m_days->setRange(1, 31);
    place(m_days, 92, 33, 40, 13);
    place(new QLabel(text(253, "days"), date), 136, 35, 60, 8);
    m_byRange = new QRadioButton(text(253, "1075"), date);
    place(m_byRange, 20, 51, 70, 10);
    m_from = new QDateTimeEdit(QDateTime::currentDateTimeUtc(), date);
    place(m_from, 92, 49, 132, 13);
    place(new QLabel(text(253, "upto"), date), 33, 64, 50, 8);
    m_to = new QDateTimeEdit(QDateTime::currentDateTimeUtc(), date);
    place(m_to, 92, 62, 132, 13);
    auto enableDate = [this] {
        m_months->setEnabled(m_byMonths->isChecked());
        m_days->setEnabled(m_byDays->isChecked());
        m_from->setEnabled(m_byRange->isChecked());
        m_to->setEnabled(m_byRange->isChecked());
    };
    for (QRadioButton* r : {m_byMonths, m_byDays, m_byRange}) connect(r, &QRadioButton::toggled, this, enableDate);
    m_byMonths->setChecked(true);
    enableDate();

    QWidget* size = pane(22);
    m_sizeKind = new QComboBox(size);
    m_sizeKind->addItems({Text(383), Text(382)});
    place(m_sizeKind, 20, 4, 80, 14);
    m_size = new QSpinBox(size);
    m_size->setRange(0, 1000000000);
    place(m_size, 104, 4, 80, 13);
    place(new QLabel(text(254, "unit"), size), 188, 6, 30, 8);

    QWidget* other = pane(32);
    m_case = new QCheckBox(text(256, "1087"), other);
    place(m_case, 20, 4, 200, 10);
    m_encrypted = new QCheckBox(text(256, "1088"), other);
    m_encrypted->setChecked(true);
    place(m_encrypted, 20, 18, 200, 10);

    // Search and Cancel are bitmap buttons at the right of their band.
    QWidget* buttons = pane(24);
    m_ok = new CButtonPlus(328, 327, 326, 325, buttons);
    m_cancel = new CButtonPlus(176, 175, 174, 173, buttons);
    const int band = du.ToPixelsY(24), right = du.ToPixelsX(225);
    const QSize cancelSize = m_cancel->GetBitmapSize(), okSize = m_ok->GetBitmapSize();
    m_cancel->AttachToDialog(buttons, IDCANCEL,
                             QRect(QPoint(right - cancelSize.width(), (band - cancelSize.height()) / 2), cancelSize));
    m_ok->AttachToDialog(
        buttons, IDOK,
        QRect(QPoint(right - cancelSize.width() - 6 - okSize.width(), (band - okSize.height()) / 2), okSize));
    m_ok->setText(text(262, "1")); // the bitmap carries the caption; the text names the button
    m_cancel->setText(text(262, "2"));
    for (CButtonPlus* b : {m_ok, m_cancel}) b->setFocusPolicy(Qt::StrongFocus);
    connect(m_ok, &QAbstractButton::clicked, this, [this] { OnOK(); });
    connect(m_cancel, &QAbstractButton::clicked, this, [this] { OnCancel(); });

    m_panes = {basic, MakeHeader(258, 1066, kTypeHeader),
               type,  MakeHeader(259, 1069, kDateHeader),
               date,  MakeHeader(260, 1070, kSizeHeader),
               size,  MakeHeader(261, 1071, kOtherHeader),
               other, buttons};
    m_states = {1, 1, 2, 1, 2, 1, 2, 1, 2, 1};
    // Without a type to choose, the Type box would restrict nothing: it is not offered.
    if (m_type->count() == 0) Header(kTypeHeader)->setEnabled(false);
    setFixedWidth(du.ToPixelsX(230));
    LayOut();
    return true;
}

void CSearchFileDlg::LayOut()
{
    int y = 0;
    for (size_t i = 0; i < m_panes.size(); ++i) {
        m_panes[i]->move(0, y);
        m_panes[i]->setVisible(m_states[i] == 1);
        if (m_states[i] == 1) y += m_panes[i]->height();
    }
    setFixedHeight(y);
}

void CSearchFileDlg::TogglePane(int pane)
{
    if (pane < 0 || size_t(pane) >= m_states.size()) return;
    m_states[size_t(pane)] = m_states[size_t(pane)] == 1 ? 2 : 1;
    LayOut();
}

bool CSearchFileDlg::BuildCriteria(SEARCH_FILE_CRITERIA& c)
{
    c = SEARCH_FILE_CRITERIA();
    const std::string typed = m_name->text().toStdString();
    const std::string name = typed.empty() ? "*" : ("*" + typed + "*").substr(0, sizeof c.szName - 1);
    std::memset(c.szName, 0, sizeof c.szName);
    std::memcpy(c.szName, name.data(), name.size());
    c.bAutoSelect = m_autoSelect->isChecked();
    c.pLocation = static_cast<CFileNode*>(m_location->currentData().value<void*>());
    m_lastPattern = name;
    if (!IsValidSearchName(name)) {
        ShowMessageBox(this, kRefusedNameString, MB_OK | MB_ICONINFORMATION);
        return false;
    }
    if (m_headers[0]->isChecked() && m_type->currentIndex() >= 0) {
        c.dwFlags |= kSearchByType;
        const size_t s = size_t(m_type->currentIndex());
        std::string types = CFileTypeNameMap::GetInstance().Lookup(m_typeKeys[s]);
        // A list longer than the record holds loses whole extensions from its end, never part of one
        // (".jpeg" cut to ".jp" would find other files).
        if (types.size() >= sizeof c.szTypeExtensions) {
            const size_t cut = types.rfind(';', sizeof c.szTypeExtensions - 1);
            types.resize(cut == std::string::npos ? 0 : cut);
        }
        const std::string typeName = s < 2 ? "*" : m_typeKeys[s];
        std::snprintf(c.szTypeExtensions, sizeof c.szTypeExtensions, "%s", types.c_str());
        std::snprintf(c.szTypeName, sizeof c.szTypeName, "%s", typeName.c_str());
        m_lastPattern = c.szTypeName;
    }
    if (m_headers[1]->isChecked()) {
        c.dwFlags |= kSearchByDate;
        c.nDateKind = 1 << m_dateKind->currentIndex();
        const FILETIME now = FileTimeOf(QDateTime::currentDateTimeUtc());
        if (m_byMonths->isChecked()) {
            c.ftTo = now;
            c.ftFrom = now - FILETIME(m_months->value()) * 30 * kDay;
        } else if (m_byDays->isChecked()) {
            c.ftTo = now;
            c.ftFrom = now - FILETIME(m_days->value()) * kDay;
        } else {
            c.ftFrom = PickedTime(m_from);
            c.ftTo = PickedTime(m_to);
        }
    }
    if (m_headers[2]->isChecked()) {
        c.dwFlags |= kSearchBySize;
        c.nSizeKind = m_sizeKind->currentIndex() + 1;
        c.ullSizeLimit = uint64_t(m_size->value()) * 1024;
    }
    c.bMatchCase = 0;
    c.bIncludeEncrypted = 1;
    if (m_headers[3]->isChecked()) {
        c.dwFlags |= kSearchOther;
        c.bMatchCase = m_case->isChecked();
        c.bIncludeEncrypted = m_encrypted->isChecked();
    }
    return true;
}

void CSearchFileDlg::OnOK()
{
    SEARCH_FILE_CRITERIA criteria;
    if (!BuildCriteria(criteria) || !m_results) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    {
        const CSearchFileFilter filter(criteria);
        SearchFoundFiles(m_root, criteria.pLocation, filter, criteria.bAutoSelect != 0, *m_results);
    }
    QApplication::restoreOverrideCursor();
    if (m_results->GetCount() > 0) {
        EndDialog(IDOK);
        return;
    }
    ShowMessageBox(this, kNothingFoundString, MB_OK | MB_ICONINFORMATION);
}
