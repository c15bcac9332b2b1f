// The RAW page of the Options dialog.
#include "views/options/CAdvanceSettingRAWPage.h"

#include "core/filetypes/RawTypeIds.h"
#include "controls/CRawFileTypeTreeCtrl.h"
#include "controls/CResourceLibrary.h"
#include "controls/ShellFileInfo.h"
#include "controls/TreeStateImages.h"
#include "core/filetypes/CFileTypeFilter.h"
#include "core/filetypes/RawTypeTable.h"
#include "views/files/FileTypePictures.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>
#include <limits>

namespace {

struct TypeRow {
    int id;
    const char* text;
};
struct GroupRow {
    const char* key;
    const char* sample;
    std::vector<TypeRow> types;
};

const std::vector<GroupRow>& Groups()
{
    static const std::vector<GroupRow> groups = {
        {"graphics",
         "bmp",
         {{RawType::kMAX, "3d Studio Max file(.max)"},
          {RawType::kANI, "ANI file(.ani)"},
          {RawType::kAI, "Adobe Illustrator file(.ai)"},
          {RawType::kBMP, "Bitmap file(.bmp)"},
          {RawType::kCDR, "COREL Darw file(.cdr)"},
          {RawType::kCLK, "Corel Draw Corel RAVE Image file(.clk)"},
          {RawType::kCMX, "Corel Draw Vector Image file(.cmx)"},
          {RawType::kCPT, "Corel Photo Paint Image file(.cpt)"},
          {RawType::kCRW, "Canon Raw graphics file(.crw)"},
          {RawType::kCUR, "Cursor file(.cur)"},
          {RawType::kDWG, "AutoCAD Drawing file(.dwg)"},
          {RawType::kDXF, "AutoCad DX File(.dxf)"},
          {RawType::kEMF, "Enhanced Metafile(.emf)"},
          {RawType::kEPS, "Encapsulated Postscript file(.eps)"},
          {RawType::kFH11, "Freehand 10 file(.fh11)"},
          {RawType::kGIF, "GIF graphics file(.gif)"},
          {RawType::kICO, "Icon file(.ico)"},
          {RawType::kJPG, "JPEG Graphics file(.jpg.jpeg)"},
          {RawType::kPNG, "Portable Network Graphic file(.png)"},
          {RawType::kPSD, "Adobe Photoshop file(.psd)"},
          {RawType::kPSP, "Paint Shop Pro file(.psp)"},
          {RawType::kQPW, "QuattroPro 7 File(.qpw)"},
          {RawType::kSHW, "Corel Presentation File(.shw)"},
          {RawType::kTIF, "Tagged Image File(.tif)"},
          {RawType::kNEF, "Nikon Raw File(.nef)"}}},
        {"documents",
         "doc",
         {{RawType::kDOC, "Microsoft Word Document(.doc)"},
          {RawType::kDOCX, "Microsoft Word2007(.docx)"},
          {RawType::kHLP, "Help file(.hlp)"},
          {RawType::kHTM, "HTML Documents file(.htm.html)"},
          {RawType::kMOF, "MOF file(.mof)"},
          {RawType::kMPP, "Microsoft Project file(.mpp)"},
          {RawType::kONE, "Microsoft OneNote file(.one)"},
          {RawType::kPDF, "Adobe Portable Document(.pdf)"},
          {RawType::kPPT, "Microsoft PowerPoint Presentation file(.ppt)"},
          {RawType::kPPTX, "Microsoft PowerPoint2007(.pptx)"},
          {RawType::kRTF, "Rich Text Document(.rtf)"},
          {RawType::kTTF, "True Type Font file(.ttf)"},
          {RawType::kVSD, "Microsoft Visio Drawing(.vsd)"},
          {RawType::kWPD, "WordPerfect file(.wpd)"},
          {RawType::kWPG, "WordPerfect Documents and Graphics v8(.wpg)"},
          {RawType::kXLS, "Microsoft Excel XML Documents(.xls)"},
          {RawType::kXLSX, "Microsoft Excel2007(.xlsx)"}}},
        {"archives",
         "cab",
         {{RawType::k3DS, "3DS file (.3ds)"},
          {RawType::kCAB, "Cabinet file(.cab)"},
          {RawType::kCHM, "CHM file(.chm)"},
          {RawType::kCSL, "CSL file(.csl)"},
          {RawType::kGZ, "GZIP compression file(.gz)"},
          {RawType::kLZH, "LZH compression file(.lzh)"},
          {RawType::kRAR, "RAR compression file(.rar)"},
          {RawType::kTAR, "TAR archive file(.tar)"},
          {RawType::kZIP, "Zip compression file(.zip)"}}},
        {"multimedia",
         "wav",
         {{RawType::k3GP, "3GP Multimedia file(.3gp)"},
          {RawType::kASF, "Audio Streaming Format file(.asf)"},
          {RawType::kAU, "AU file(.au)"},
          {RawType::kAVI, "Audio Video Interleave file(.avi)"},
          {RawType::kMID, "Musical Instrument Digital Interface file(.mid)"},
          {RawType::kMOV, "MOV Multimedia file(.mov)"},
          {RawType::kMP3, "MP3 Music file(.mp3)"},
          {RawType::kMP4, "MP4 Multimedia file(.mp4)"},
          {RawType::kSWF, "ShockWave Flash file(.swf)"},
          {RawType::kWAV, "WAVE Multimedia file(.wav)"},
          {RawType::kWMF, "WMF Multimedia file(.wmf)"}}},
        {"email",
         "pst",
         {{RawType::kDBX, "Outlook Express Email file(.dbx)"}, {RawType::kPST, "Outlook Email file(.pst)"}}},
        {"databases",
         "mdb",
         {{RawType::kADP, "Access Project file(.adp)"},
          {RawType::kMDB, "Access Database file(.mdb)"},
          {RawType::kMNY, "Microsoft Money file(.mny)"},
          {RawType::kACCDB, "Access Database file(.accdb)"}}},
    };
    return groups;
}

QIcon IconFor(const char* extension)
{
    SHFILEINFOA info;
    const QString name = QStringLiteral("file.") + QString::fromLatin1(extension);
    ShellGetFileInfo(name, FILE_ATTRIBUTE_NORMAL, &info, SHGFI_ICON | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES);
    return info.hIcon;
}

} // namespace

CAdvanceSettingRAWPage::CAdvanceSettingRAWPage(QWidget* parent) : QWidget(parent)
{
    auto& lib = CResourceLibrary::Instance();
    auto text = [&](const QString& key) { return lib.LoadText(QStringLiteral("dialog.300.") + key); };
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);

    m_recoverRawBox = new QCheckBox(text(QString::number(kRecoverRawId)), this);
    m_rawOnlyBox = new QCheckBox(text(QString::number(kRawOnlyId)), this);
    m_sizeEdit = new QLineEdit(this);
    m_tree = new CRawFileTypeTreeCtrl(this);
    m_recoverRawBox->setObjectName(QString::number(kRecoverRawId));
    m_rawOnlyBox->setObjectName(QString::number(kRawOnlyId));
    m_sizeEdit->setObjectName(QString::number(kSizeEditId));
    m_tree->setObjectName(QString::number(kTreeId));
    for (QCheckBox* box : {m_recoverRawBox, m_rawOnlyBox}) {
        QFont bold = box->font();
        bold.setWeight(QFont::Bold);
        box->setFont(bold);
    }
    m_sizeEdit->setMaxLength(24);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 10, 12, 10);
    layout->addWidget(m_recoverRawBox);
    auto* sizeRow = new QHBoxLayout;
    sizeRow->setContentsMargins(20, 0, 0, 0);
    sizeRow->addWidget(new QLabel(text(QStringLiteral("size")), this));
    sizeRow->addWidget(m_sizeEdit, 1);
    sizeRow->addWidget(new QLabel(text(QStringLiteral("bytes")), this));
    layout->addLayout(sizeRow);
    layout->addWidget(m_rawOnlyBox);
    layout->addWidget(new QLabel(text(QStringLiteral("question")), this));
    layout->addWidget(m_tree, 1);

    InstallFileTypePictures();
    m_tree->SetStateImageList(
        SplitImageStrip(lib.LoadBitmap(kFileTypeStateBitmap), CRawFileTypeTreeCtrl::kStateWidth, 0x0000FF));
    m_tree->setHeaderHidden(true);

    connect(m_recoverRawBox, &QCheckBox::clicked, this, [this] { OnRecoverRawClicked(); });
    connect(m_rawOnlyBox, &QCheckBox::clicked, this, [this] { m_rawOnly = m_rawOnlyBox->isChecked() ? 1 : 0; });
    connect(m_sizeEdit, &QLineEdit::textEdited, this, [this](const QString& t) { OnSizeEdited(t); });
}

void CAdvanceSettingRAWPage::Init(int recoverRaw, int rawOnly, uint64_t maxSize, std::vector<int>* typeIds)
{
    m_recoverRaw = recoverRaw;
    m_rawOnly = rawOnly;
    m_maxSize = maxSize;
    m_typeIds = typeIds;
}

void CAdvanceSettingRAWPage::FillTree()
{
    m_tree->clear();
    auto& lib = CResourceLibrary::Instance();
    for (const GroupRow& group : Groups()) {
        HTREEITEM parent =
            m_tree->InsertItem(lib.LoadText(QStringLiteral("dialog.300.group.") + QLatin1String(group.key)), 0);
        parent->setIcon(0, IconFor(group.sample));
        for (const TypeRow& type : group.types) {
            HTREEITEM item = m_tree->InsertItem(QString::fromLatin1(type.text), uint32_t(type.id) << 16, parent);
            item->setIcon(0, IconFor(GetRawTypeFileExtension(type.id)));
        }
    }
    // The types claimed for header scripts, under a group of their own.
    HTREEITEM custom = nullptr;
    for (int id = kRawTypeFirstCustom; id <= kRawTypeLastCustom; ++id) {
        const char* name = GetRawTypeName(id);
        if (!name || !*name) continue;
        if (!custom) custom = m_tree->InsertItem(lib.LoadText(QStringLiteral("dialog.300.group.custom")), 0);
        HTREEITEM item =
            m_tree->InsertItem(QStringLiteral("(.%1)").arg(QString::fromLatin1(name)), uint32_t(id) << 16, custom);
        item->setIcon(0, IconFor(name));
    }
    if (m_typeIds)
        for (int id : *m_typeIds) m_tree->CheckType(id);
    m_tree->expandAll();
}

void CAdvanceSettingRAWPage::SetControls()
{
    FillTree();
    m_recoverRawBox->setChecked(m_recoverRaw != 0);
    m_rawOnlyBox->setChecked(m_rawOnly != 0);
    m_sizeEdit->setText(QString::number(m_maxSize));
    UpdateEnabling();
}

void CAdvanceSettingRAWPage::UpdateEnabling()
{
    const bool recover = m_recoverRaw != 0;
    m_rawOnlyBox->setEnabled(recover && m_allowRawOnly);
    m_sizeEdit->setEnabled(recover);
    m_tree->setEnabled(recover && m_treeEditable);
    QPalette pal = m_tree->palette();
    pal.setColor(QPalette::Base, recover && m_treeEditable ? QColor(Qt::white) : QColor(236, 233, 216));
    m_tree->setPalette(pal);
}

void CAdvanceSettingRAWPage::OnRecoverRawClicked()
{
    m_recoverRaw = m_recoverRawBox->isChecked() ? 1 : 0;
    if (!m_recoverRaw || !m_allowRawOnly) {
        m_rawOnly = 0;
        m_rawOnlyBox->setChecked(false);
    }
    UpdateEnabling();
}

uint64_t CAdvanceSettingRAWPage::ParseSize(const QString& text)
{
    uint64_t value = 0;
    for (QChar c : text) {
        if (c < u'0' || c > u'9') break;
        const uint64_t digit = uint64_t(c.unicode() - u'0');
        if (value > (std::numeric_limits<uint64_t>::max() - digit) / 10) return std::numeric_limits<uint64_t>::max();
        value = value * 10 + digit;
    }
    return value;
}

void CAdvanceSettingRAWPage::OnSizeEdited(const QString& text)
{
    m_maxSize = ParseSize(text);
    const QString shown = QString::number(m_maxSize);
    if (shown != text) m_sizeEdit->setText(shown);
}

int CAdvanceSettingRAWPage::CompanionType(int typeId)
{
    switch (typeId) {
    case 3:
    case 21:
    case 35:
    case 39:
    case 43:
    case 48:
    case 49:
    case 53:
    case 57:
    case 62:
    case 64:
    case 65:
    case 67: return 44;
    case 5: return 46;
    case 69:
    case 70:
    case 71: return 68;
    default: return 0;
    }
}

void CAdvanceSettingRAWPage::Collect(int* recoverRaw, int* rawOnly, uint64_t* maxSize)
{
    if (m_typeIds) {
        m_typeIds->clear();
        for (int g = 0; g < m_tree->topLevelItemCount(); ++g) {
            QTreeWidgetItem* group = m_tree->topLevelItem(g);
            for (int t = 0; t < group->childCount(); ++t)
                if (CRawFileTypeTreeCtrl::GetCheckState(group->child(t)) == 2)
                    m_typeIds->push_back(CRawFileTypeTreeCtrl::GetTypeId(group->child(t)));
        }
        if (GetFileTypeFilter().GetCount() == 0 || m_rawOnly) {
            const size_t collected = m_typeIds->size();
            for (size_t i = 0; i < collected; ++i)
                if (const int companion = CompanionType((*m_typeIds)[i])) m_typeIds->push_back(companion);
        }
    }
    *recoverRaw = m_recoverRaw;
    *rawOnly = m_rawOnly;
    *maxSize = m_maxSize;
}

void CAdvanceSettingRAWPage::Default()
{
    m_maxSize = kDefaultSize;
    m_recoverRaw = 1;
    m_rawOnly = 0;
    m_sizeEdit->setText(QString::number(m_maxSize));
    m_recoverRawBox->setChecked(true);
    m_recoverRawBox->setEnabled(true);
    m_rawOnlyBox->setChecked(false);
    UpdateEnabling();
    if (m_treeEditable)
        for (int id = kRawTypeFirstFixed; id <= kRawTypeLastFixed; ++id) m_tree->CheckType(id);
}
