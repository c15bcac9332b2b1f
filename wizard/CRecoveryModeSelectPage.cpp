// The recovery-mode page.
#include "wizard/CRecoveryModeSelectPage.h"

#include "controller/CRecoveryModeSelectController.h"
#include "controls/CResourceLibrary.h"
#include "controls/ControlFont.h"
#include "core/LanguageHelpers.h"
#include "platform/Log.h"
#include "wizard/WizardSkin.h"

#include <QPainter>

namespace {

struct ModeButtonSpec {
    std::array<unsigned, 4> bitmaps; // normal, hover, pushed, disabled
    unsigned prompt;                 // string of the prompt text
    int mode;
    bool photo;
    QPoint position;
};

const ModeButtonSpec kModes[4] = {
    {wizard_skin::kDeletedMode, 199, 0, false, {46, 161}},
    {wizard_skin::kFormatMode, 200, 1, false, {282, 161}},
    {wizard_skin::kPartitionMode, 201, 2, false, {516, 161}},
    {wizard_skin::kPhotoMode, 61235, 1, true, {752, 161}},
};

constexpr unsigned kDefaultPrompt = 300;
constexpr unsigned kDescriptionIds[4] = {194, 195, 196, 197};
constexpr unsigned kPhotoDescription = 61236;
constexpr int kTextPixels = 13; // 10 points

QString String(unsigned id)
{
    return CResourceLibrary::Instance().LoadString(id);
}

} // namespace

CRecoveryModeSelectPage::CRecoveryModeSelectPage(unsigned uCommentBmp)
{
    m_initError = Init(uCommentBmp);
    if (m_initError != 0)
        LogError("Init CRecoveryModeSelectPage is false error=0x%x,GetLastError=%d", unsigned(m_initError), errno);
}

CRecoveryModeSelectPage::~CRecoveryModeSelectPage() = default;

int CRecoveryModeSelectPage::Init(unsigned uCommentBmp)
{
    InstallWizardSkin();
    for (int i = 0; i < 4; ++i)
        m_buttons[i] = std::make_unique<CButtonPlus>(kModes[i].bitmaps[0], kModes[i].bitmaps[1], kModes[i].bitmaps[2],
                                                     kModes[i].bitmaps[3]);
    if (!m_background.LoadBitmap(kBackgroundBitmap)) return kErrNoBackground;
    if (!m_comment.LoadBitmap(uCommentBmp)) return kErrNoComment;
    m_defaultPrompt = String(kDefaultPrompt);
    m_currentPrompt = m_defaultPrompt;
    for (int i = 0; i < 4; ++i) m_descriptions[i] = String(kDescriptionIds[i]);
    m_photoDescription = String(kPhotoDescription);
    return 0;
}

IWizardPageController* CRecoveryModeSelectPage::GetController()
{
    return m_controller;
}

void CRecoveryModeSelectPage::SetController(IRecoveryModeSelectController* pController)
{
    LogError("------------------------ParmInfo:IRecoveryModeSelectController* pController=%p",
             static_cast<void*>(pController));
    m_controller = pController;
}

int CRecoveryModeSelectPage::OnCreate()
{
    for (int i = 0; i < 4; ++i) {
        CButtonPlus* button = m_buttons[i].get();
        button->Create(QString(), WS_CHILD | WS_VISIBLE, RECT{}, this, kButtonIds[i]);
        button->SetPromptChange(this, String(kModes[i].prompt));
        if (kButtonIds[i] != 2001) button->SetCursor(Qt::PointingHandCursor);
        const unsigned id = kButtonIds[i];
        connect(button, &QAbstractButton::clicked, this, [this, id] { OnCommand(id); });
    }
    return 0;
}

void CRecoveryModeSelectPage::OnPromptChange(unsigned, const QString& strPromptText)
{
    m_currentPrompt = strPromptText;
    update();
}

void CRecoveryModeSelectPage::OnPromptRestore(unsigned)
{
    m_currentPrompt = m_defaultPrompt;
    update();
}

bool CRecoveryModeSelectPage::OnCommand(unsigned id)
{
    for (int i = 0; i < 4; ++i) {
        if (kButtonIds[i] != id) continue;
        CRecoveryModeSelectController::ApplyModeToOptions(kModes[i].mode, kModes[i].photo);
        if (m_controller) {
            m_controller->SetMode(kModes[i].mode);
            m_controller->next();
        }
        return true;
    }
    return false;
}

void CRecoveryModeSelectPage::Layout(int, int)
{
    const int middle = (m_rcBottom.bottom - m_rcSubTitle.top) / 2 - 20;
    m_rcSubTitle.bottom = middle;
    m_rcBottom.top = middle;
    for (int i = 0; i < 4; ++i) m_buttons[i]->MoveTo(kModes[i].position.x(), kModes[i].position.y());
}

QRect CRecoveryModeSelectPage::DescriptionRect() const
{
    const int w = m_comment.GetSize().width();
    const int h = m_comment.GetSize().height();
    const RECT& b = m_rcBottom;
    const int y0 = b.top + (b.Height() - h) / 2;
    return ToQRect(RECT{b.left + 3 * (w / 25), y0 + 2 * (h / 5) + 70, b.right - w / 25, b.bottom});
}

QString CRecoveryModeSelectPage::DescriptionShown() const
{
    const unsigned prompts[] = {kDefaultPrompt, 199, 200, 201, 61235};
    for (int i = 0; i < 5; ++i) {
        if (m_currentPrompt == String(prompts[i])) return i < 4 ? m_descriptions[i] : m_photoDescription;
    }
    return QString();
}

void CRecoveryModeSelectPage::Draw(QPainter* pDC)
{
    m_background.DrawStretched(pDC, 0, 0, 1000, 575);
    QFont font(QString::fromLatin1(GetUIFontName()));
    font.setPixelSize(kTextPixels);
    pDC->setFont(font);
    pDC->setPen(QColor(0x22, 0x2a, 0x35));
    pDC->drawText(DescriptionRect(), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, DescriptionShown().trimmed());
}
