#include "ShortcutList.h"

namespace vello {

namespace {

constexpr QChar Tab = u'\t';
constexpr QChar Cr = u'\r';

struct Row
{
    const char16_t* key;
    const char16_t* function;
    bool doubleTab; // two tabs between key and function
};

void appendRows(QString& out, std::initializer_list<Row> rows, bool lastHasCr)
{
    qsizetype n = 0;
    for (const Row& r : rows) {
        ++n;
        out += Tab;
        out += QString::fromUtf16(r.key);
        out += Tab;
        if (r.doubleTab)
            out += Tab;
        out += QString::fromUtf16(r.function);
        if (lastHasCr || n < static_cast<qsizetype>(rows.size()))
            out += Cr;
    }
}

} // namespace

QString shortcutListText()
{
    QString out;
    out += QString::fromUtf16(u" \u3000\u3000        【Velloplayer ショートカットキー\u3000一覧】");
    out += Tab;
    out += Tab;
    out += Cr;
    out += Cr;
    out += Tab;
    out += QString::fromUtf16(u"キー");
    out += Tab;
    out += Tab;
    out += QString::fromUtf16(u"機能");
    out += Cr;

    out += QString::fromUtf16(u"  【操作系】");
    out += Cr;
    appendRows(out,
               {{u"CTRL+B or ﾃﾝｷｰ2", u"１つ前のファイルを再生する", false},
                {u"CTRL+N or ﾃﾝｷｰ8", u"１つ後のファイルを再生する", false},
                {u"CTRL+P or ﾃﾝｷｰ5", u"再生", false},
                {u"CTRL+Q or ﾃﾝｷｰ0", u"一時停止", false},
                {u"CTRL+F or ﾃﾝｷｰ6", u"早送り", false},
                {u"CTRL+Z or ﾃﾝｷｰ4", u"巻き戻し", false},
                {u"F12", u"停止", true}},
               true);

    out += QString::fromUtf16(u"  【ファイルリスト】");
    out += Cr;
    appendRows(out,
               {{u"CTRL+C", u"使用可否切り替え", true},
                {u"DEL", u"ファイルの削除", true},
                {u"F2", u"名前の変更", true}},
               true);

    out += QString::fromUtf16(u"  【メイン画面】");
    out += Cr;
    appendRows(out,
               {{u"F1", u"ヘルプ", true},
                {u"Ctrl+F1\uFF5EF5", u"ログフォルダ\uFF11\uFF5E\uFF15に移動", false},
                {u"F3", u"環境設定", true},
                {u"F7", u"最大化", true},
                {u"F8", u"ダブルサイズ", true},
                {u"F9", u"オリジナルサイズ", true},
                {u"Alt+F4", u"終了", false},
                {u"CTRL+E", u"RAMファイルの編集", true},
                {u"CTRL+O", u"お気に入りモード切替", true},
                {u"CTRL+S", u"お気に入りの整理", true}},
               false);
    return out;
}

QString moreShortcutsText()
{
    QString out = QString::fromUtf16(u"  【再生速度・画像の保存】");
    out += Cr;
    appendRows(out,
               {{u"]", u"再生速度を上げる", true},
                {u"[", u"再生速度を下げる", true},
                {u"BackSpace", u"標準の再生速度に戻す", false},
                {u"Shift+S", u"表示中の画像を保存", true}},
               false);
    return out;
}

} // namespace vello
