// The summary of a save.
#include "views/saving/CFileSaveDlg.h"

#include "controls/CResourceLibrary.h"
#include "controls/ControlFont.h"
#include "controls/ControlId.h"

#include "storage/saving/SaveVerdict.h"
#include "views/saving/SaveReasonText.h"

#include <QLabel>

CFileSaveDlg::CFileSaveDlg(QWidget* parent) : CSearchSuperDlg(kTemplate, parent)
{
    setWindowFlags(Qt::Widget);
    setFont(CreateDialogFont());
    SetTemplateSize(240, 103);
    auto add = [this](int id, const QString& text, int x, int y, int cx, int cy) {
        auto* label = new QLabel(text, this);
        SetDlgCtrlID(label, id);
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        PlaceControl(label, x, y, cx, cy);
        label->hide();
    };
    add(kResultId, QString(), 9, 4, 217, 12);
    add(kTotalId, QString(), 9, 23, 217, 31); // three lines: the count, the failures, the reason
    add(kSavedInId, TemplateText(kSavedInId), 9, 60, 67, 18);
    Line(kSavedInId)->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_link.setParent(this);
    SetDlgCtrlID(&m_link, kLinkId);
    PlaceControl(&m_link, 77, 60, 149, 18);
    m_link.hide();
    add(kShortSourceId, QString(), 9, 80, 217, 22);
}

CFileSaveDlg::~CFileSaveDlg() = default;

QLabel* CFileSaveDlg::Line(int id) const
{
    return qobject_cast<QLabel*>(GetDlgItem(this, id));
}

bool CFileSaveDlg::OnInitDialog()
{
    CSearchSuperDlg::OnInitDialog();
    ShowControls();
    return true;
}

void CFileSaveDlg::ShowControls()
{
    for (int id : {kSavedInId, kTotalId, kResultId}) Line(id)->show();
    Line(kShortSourceId)->setVisible(!Line(kShortSourceId)->text().isEmpty());
    m_link.show();
}

QString CFileSaveDlg::LinkText(const QString& folder)
{
    if (folder.size() < kMaxLinkChars) return folder;
    return folder.left(kMaxLinkChars - 1) + QStringLiteral("...");
}

void CFileSaveDlg::SetSavePath(const QString& folder)
{
    m_savePath = folder;
    m_link.Files() = m_savedFolders;
    m_link.setText(LinkText(folder));
    m_link.setToolTip(folder);
    m_link.SetUnderline(1);
    m_link.SetURL(folder);
    m_link.show();
}

void CFileSaveDlg::ShowResult(int toRecover, int recovered, int partial, int failed, bool sourceShort,
                              const QString& reason)
{
    SaveTally tally;
    tally.sourceUsable = toRecover > 0;
    tally.filesFound = toRecover;
    tally.counts.filesSaved = recovered;
    tally.counts.filesPartial = partial;
    tally.counts.filesFailed = failed;
    tally.counts.firstReason = reason.toStdString();
    tally.sourceShort = sourceShort;
    ShowVerdict(tally);
}

void CFileSaveDlg::ShowVerdict(const SaveTally& tally)
{
    auto& lib = CResourceLibrary::Instance();
    const int recovered = tally.counts.filesSaved, partial = tally.counts.filesPartial;
    const int failed = tally.counts.filesFailed;
    const bool sourceShort = tally.sourceShort;
    const SaveVerdictKind kind = JudgeSave(tally).kind;
    const unsigned result = kind == SaveVerdictKind::AllSaved ? 285 : kind == SaveVerdictKind::Partial ? 221 : 220;
    Line(kResultId)->setText(lib.LoadString(result));
    QString total = lib.LoadString(223) + QString::number(recovered) + lib.LoadString(224);
    if (partial || failed)
        total += QLatin1Char('\n') + lib.LoadText(QStringLiteral("save.partial-failed")).arg(partial).arg(failed);
    if (failed && !tally.counts.firstReason.empty())
        total += QLatin1Char('\n') + SaveReasonLine(tally.counts.firstReason);
    Line(kTotalId)->setText(total);
    QLabel* shortSource = Line(kShortSourceId);
    shortSource->setText(sourceShort ? lib.LoadText(QStringLiteral("save.short-source")) : QString());
    if (!sourceShort)
        shortSource->hide();
    else if (Line(kResultId)->isVisibleTo(this))
        shortSource->show();
}
