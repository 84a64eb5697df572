#include "PickupTips.h"

#include "BasicRandom.h"
#include "IniFile.h"
#include "Logging.h"
#include "M_Config.h"
#include "MakerInfo.h"
#include "PlayerSettings.h"

#include <cmath>

namespace vello {

const QStringList& PickupTips::table()
{
    // One line a tip, so that each reads as it is shown.
    // clang-format off
    static const QStringList tips{
        QStringLiteral("早送り、巻き戻しの間隔は環境設定で変更できます。"),
        QStringLiteral("Windowsの「送る」メニューにVelloplayerを登録すると、すばやくRMファイルを再生することができます。"),
        QStringLiteral("ファイルリストに表示するファイルの拡張子は、環境設定で変更できます。"),
        QStringLiteral("環境設定の、ファイルリストの表示項目で「タイトル」のチェックを外すと、ファイルリストの表示が速くなります"),
        QStringLiteral("ファイルリストを右クリックして、お気に入りに追加するとき、リストに無いフォルダ名を入力すると、そのフォルダを新しく作成します"),
        QStringLiteral("お気に入りの整理画面で、ドラッグ＆ドロップでファイルを追加することができます。"),
        QStringLiteral("ファイルリストでF5ボタンを押すと、ファイルリストを更新することができます"),
        QStringLiteral("RMファイルの編集で、ドラッグ＆ドロップすることで、ファイルを追加することができます"),
        maker::webAddress().toUpper() + QStringLiteral("　で最新版を入手できます。"),
        QStringLiteral("最大化表示している間も、ショートカットキーを使って早送り、巻き戻しができます"),
        QStringLiteral("再生しているファイル、直前に再生していたファイルは削除できませんが、何度か削除を試すことで、削除を行うことができます"),
        QStringLiteral("各ファイルごとの音量は記憶されます"),
        QStringLiteral("再生、一時停止、巻き戻し、早送り、次、前はテンキーで操作できます"),
    };
    // clang-format on
    return tips;
}

PickupTips::PickupTips(BasicRandom& random)
{
    const int drawn = 1 + static_cast<int>(std::floor(Count * random.next()));
    m_position = drawn > Count ? Count : drawn;
}

QString PickupTips::current() const
{
    return table().at(m_position - 1);
}

void PickupTips::next()
{
    m_position = m_position >= Count ? 1 : m_position + 1;
}

bool PickupTips::savePickup(PlayerSettings& settings, bool ticked)
{
    settings.Pickup = ticked ? 1 : 0;
    IniFile ini(M_Config::configPath());
    if (ini.WriteValue(QStringLiteral("Config"), QStringLiteral("PICKUP"), QString::number(settings.Pickup)))
        return true;
    qCInfo(lcError) << "PICKUP not written to" << ini.file();
    return false;
}

} // namespace vello
