#pragma once

// The catalogue's keys, in the catalogue's own order: a key's number is its
// index in TxtLoader::texts and in kTextTables.
enum TextKey
{
    txtEmpty = 0,
    txtSeriesName,
    txtModelName,
    txtTitle,
    txtOk,
    txtStart,
    txtCancel,
    txtClose,
    txtLanguageSelections,
    txtSelectLanguage,
    txtUpdateFileError,
    txtNotConnected,
    txtUpdatesVersion,
    txtCurrentVersion,
    txtUpdateVersion,
    txtUpdating,
    txtPleaseWait,
    txtUpdateComplete,
    txtUpdateFailed,
    txtUnitUnavailable,
    txtTryProcedure,
    txtStep1Close,
    txtStep2Reconnect,
    txtStep3UpdateAgain,
    txtIfDownloaded,
    txtDoubleClickProgram,
    txtDoubleClickPackage,
    txtIfViaApplication,
    txtRestartApplication
};

constexpr int kTextCount = 29;

static_assert (txtRestartApplication + 1 == kTextCount, "every key has a text table");
