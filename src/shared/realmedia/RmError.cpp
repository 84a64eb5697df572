#include "RmError.h"

#include <cerrno>

namespace rm {

std::string rmErrorText(int error)
{
    switch (static_cast<RmError>(error)) {
    case RmError::Ok:
        return "正常に終了しました。";
    case RmError::OpenFailed:
        return "ファイルを開けませんでした。";
    case RmError::ReadFailed:
        return "ファイルの読み込み中にエラーが発生しました。";
    case RmError::NotRealMedia:
        return "RealMediaファイルではありません。";
    case RmError::OldRealAudio:
        return "旧形式のRealAudioファイル(.ra)には対応していません。";
    case RmError::MetaFile:
        return "リンク用のメタファイル(.ram)のため、編集できません。";
    case RmError::Truncated:
        return "ファイルが途中で切れています。";
    case RmError::BadChunk:
        return "ファイルのヘッダーが壊れています。";
    case RmError::UnsupportedVersion:
        return "対応していないバージョンのRealMediaファイルです。";
    case RmError::NoStreams:
        return "ファイルにストリームがありません。";
    case RmError::TooManyStreams:
        return "ストリームの数が多すぎます。";
    case RmError::NoData:
        return "ファイルにデータ部分がありません。";
    case RmError::NoPackets:
        return "ファイルにデータパケットがありません。";
    case RmError::BadPacket:
        return "データパケットが壊れています。";
    case RmError::UnknownStream:
        return "存在しないストリームのパケットが含まれています。";
    case RmError::StreamMismatch:
        return "ストリーム構成が一致しないため結合できません。";
    case RmError::EndBeforeStart:
        return "終了位置が開始位置より前です。";
    case RmError::EmptyRange:
        return "開始位置と終了位置が同じため、切り抜く範囲がありません。";
    case RmError::RangeOutsideClip:
        return "開始位置がファイルの長さの範囲外です。";
    case RmError::NoKeyframe:
        return "切り抜きを始められるキーフレームがありません。";
    case RmError::TimestampOverflow:
        return "結合後の長さが扱える上限を超えています。";
    case RmError::OutputTooLarge:
        return "出力ファイルが4GBを超えるため書き込めません。";
    case RmError::TitleTooLong:
        return "タイトルが長すぎます。";
    case RmError::InputChanged:
        return "処理中に入力ファイルが変更されました。";
    case RmError::CreateFailed:
        return "出力ファイルを作成できませんでした。";
    case RmError::NoPermission:
        return "出力先に書き込む権限がありません。";
    case RmError::NoSuchFolder:
        return "出力先のフォルダが見つかりません。";
    case RmError::DiskFull:
        return "ディスクの空き容量が足りないため書き込めませんでした。";
    case RmError::WriteFailed:
        return "出力ファイルの書き込みに失敗しました。";
    case RmError::RenameFailed:
        return "出力ファイルの名前を変更できませんでした。";
    case RmError::Cancelled:
        return "書き込みを中止しました。";
    case RmError::TargetReadOnly:
        return "上書きするファイルに書き込む権限がありません。";
    case RmError::PacketTooLarge:
        return "時刻を書き換えると大きすぎるデータパケットができるため、書き込めません。";
    }
    return "不明なエラーが発生しました。";
}

RmError rmErrorFromErrno(int errnoValue, RmError fallback)
{
    switch (errnoValue) {
    case EACCES:
    case EPERM:
    case EROFS:
        return RmError::NoPermission;
    case ENOENT:
    case ENOTDIR:
        return RmError::NoSuchFolder;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return RmError::DiskFull;
    default:
        return fallback;
    }
}

} // namespace rm
