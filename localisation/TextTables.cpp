// The catalogue's built-in texts. Every literal is UTF-8 and goes through
// juce::CharPointer_UTF8, so the bytes reach juce::String exactly as written
// here whatever the compiler's or the host's idea of a narrow character set.
//
// A few texts look like slips but are what the program has always shown and
// must stay as they are: the Russian "OK" is Cyrillic (U+041E U+041A), the
// Portuguese updating text has "% s", the Dutch one "%swordt", and the
// Portuguese and Korean completion texts carry no placeholder at all.

#include "localisation/TextTables.h"

namespace
{
juce::String utf8 (const char* text)
{
    return juce::String (juce::CharPointer_UTF8 (text));
}
} // namespace

// Text set 1: the font of each language on the host platform (the Windows names;
// FontSubstitution maps them to installed host fonts when a typeface is made).
const juce::String kPlatformFonts[kLanguageCount] = {
    utf8 ("Verdana"),            // English
    utf8 ("Verdana"),            // French
    utf8 ("Verdana"),            // German
    utf8 ("Verdana"),            // Spanish
    utf8 ("Verdana"),            // Italian
    utf8 ("Verdana"),            // Dutch
    utf8 ("Verdana"),            // Russian
    utf8 ("Verdana"),            // Portuguese
    utf8 ("Microsoft YaHei"),    // Simplified Chinese
    utf8 ("Microsoft JhengHei"), // Traditional Chinese
    utf8 ("Malgun Gothic"),      // Korean
    utf8 ("MS PGothic"),         // Japanese
};

// Text set 2: the macOS system fonts. Kept for completeness; nothing loads it.
const juce::String kAlternativeFonts[kLanguageCount] = {
    utf8 ("Verdana"),             // English
    utf8 ("Verdana"),             // French
    utf8 ("Verdana"),             // German
    utf8 ("Verdana"),             // Spanish
    utf8 ("Verdana"),             // Italian
    utf8 ("Verdana"),             // Dutch
    utf8 ("Geneva CY"),           // Russian
    utf8 ("Verdana"),             // Portuguese
    utf8 ("STHeiti"),             // Simplified Chinese
    utf8 ("STHeiti"),             // Traditional Chinese
    utf8 ("Apple SD Gothic Neo"), // Korean
    utf8 ("Hiragino Sans W5"),    // Japanese
};

// Each language's name written in that language, as the language list shows it.
const juce::String kLanguageNames[kLanguageCount] = {
    utf8 ("English"),    // English
    utf8 ("Français"),   // French
    utf8 ("Deutsch"),    // German
    utf8 ("Español"),    // Spanish
    utf8 ("Italiano"),   // Italian
    utf8 ("Nederlands"), // Dutch
    utf8 ("Русский"),    // Russian
    utf8 ("Português"),  // Portuguese
    utf8 ("简体中文"),   // Simplified Chinese
    utf8 ("繁體中文"),   // Traditional Chinese
    utf8 ("한국어"),     // Korean
    utf8 ("日本語"),     // Japanese
};

// 0: txtEmpty
const juce::String kTxtEmpty[kLanguageCount] = {
    utf8 (""), // English
    utf8 (""), // French
    utf8 (""), // German
    utf8 (""), // Spanish
    utf8 (""), // Italian
    utf8 (""), // Dutch
    utf8 (""), // Russian
    utf8 (""), // Portuguese
    utf8 (""), // Simplified Chinese
    utf8 (""), // Traditional Chinese
    utf8 (""), // Korean
    utf8 (""), // Japanese
};

// 1: txtSeriesName
const juce::String kTxtSeriesName[kLanguageCount] = {
    utf8 ("VQD"), // English
    utf8 ("VQD"), // French
    utf8 ("VQD"), // German
    utf8 ("VQD"), // Spanish
    utf8 ("VQD"), // Italian
    utf8 ("VQD"), // Dutch
    utf8 ("VQD"), // Russian
    utf8 ("VQD"), // Portuguese
    utf8 ("VQD"), // Simplified Chinese
    utf8 ("VQD"), // Traditional Chinese
    utf8 ("VQD"), // Korean
    utf8 ("VQD"), // Japanese
};

// 2: txtModelName
const juce::String kTxtModelName[kLanguageCount] = {
    utf8 ("VQD-TRM4"), // English
    utf8 ("VQD-TRM4"), // French
    utf8 ("VQD-TRM4"), // German
    utf8 ("VQD-TRM4"), // Spanish
    utf8 ("VQD-TRM4"), // Italian
    utf8 ("VQD-TRM4"), // Dutch
    utf8 ("VQD-TRM4"), // Russian
    utf8 ("VQD-TRM4"), // Portuguese
    utf8 ("VQD-TRM4"), // Simplified Chinese
    utf8 ("VQD-TRM4"), // Traditional Chinese
    utf8 ("VQD-TRM4"), // Korean
    utf8 ("VQD-TRM4"), // Japanese
};

// 3: txtTitle
const juce::String kTxtTitle[kLanguageCount] = {
    utf8 ("Updater Program"),            // English
    utf8 ("Programme de mise à jour"),   // French
    utf8 ("Aktualisierungsprogramm"),    // German
    utf8 ("Programa actualizador"),      // Spanish
    utf8 ("Programma di aggiornamento"), // Italian
    utf8 ("Updateprogramma"),            // Dutch
    utf8 ("Программа обновления"),       // Russian
    utf8 ("Programa de Atualização"),    // Portuguese
    utf8 ("升级程序"),                   // Simplified Chinese
    utf8 ("更新程式"),                   // Traditional Chinese
    utf8 ("업데이터 프로그램"),          // Korean
    utf8 ("アップデートプログラム"),     // Japanese
};

// 4: txtOk
const juce::String kTxtOk[kLanguageCount] = {
    utf8 ("OK"),      // English
    utf8 ("OK"),      // French
    utf8 ("OK"),      // German
    utf8 ("Aceptar"), // Spanish
    utf8 ("OK"),      // Italian
    utf8 ("Akkoord"), // Dutch
    utf8 ("ОК"),      // Russian
    utf8 ("OK"),      // Portuguese
    utf8 ("确定"),    // Simplified Chinese
    utf8 ("確定"),    // Traditional Chinese
    utf8 ("OK"),      // Korean
    utf8 ("OK"),      // Japanese
};

// 5: txtStart
const juce::String kTxtStart[kLanguageCount] = {
    utf8 ("Start"),     // English
    utf8 ("Démarrer"),  // French
    utf8 ("Start"),     // German
    utf8 ("Iniciar"),   // Spanish
    utf8 ("Start"),     // Italian
    utf8 ("Beginnen"),  // Dutch
    utf8 ("Запустить"), // Russian
    utf8 ("Iniciar"),   // Portuguese
    utf8 ("开始"),      // Simplified Chinese
    utf8 ("開始"),      // Traditional Chinese
    utf8 ("시작"),      // Korean
    utf8 ("開始"),      // Japanese
};

// 6: txtCancel
const juce::String kTxtCancel[kLanguageCount] = {
    utf8 ("Cancel"),     // English
    utf8 ("Annuler"),    // French
    utf8 ("Abbrechen"),  // German
    utf8 ("Cancelar"),   // Spanish
    utf8 ("Annulla"),    // Italian
    utf8 ("Annuleren"),  // Dutch
    utf8 ("Отменить"),   // Russian
    utf8 ("Cancelar"),   // Portuguese
    utf8 ("取消"),       // Simplified Chinese
    utf8 ("取消"),       // Traditional Chinese
    utf8 ("취소"),       // Korean
    utf8 ("キャンセル"), // Japanese
};

// 7: txtClose
const juce::String kTxtClose[kLanguageCount] = {
    utf8 ("Close"),     // English
    utf8 ("Fermer"),    // French
    utf8 ("Schließen"), // German
    utf8 ("Cerrar"),    // Spanish
    utf8 ("Chiudi"),    // Italian
    utf8 ("Sluiten"),   // Dutch
    utf8 ("Закрыть"),   // Russian
    utf8 ("Fechar"),    // Portuguese
    utf8 ("关闭"),      // Simplified Chinese
    utf8 ("關閉"),      // Traditional Chinese
    utf8 ("닫기"),      // Korean
    utf8 ("終了"),      // Japanese
};

// 8: txtLanguageSelections
const juce::String kTxtLanguageSelections[kLanguageCount] = {
    utf8 ("Language Selections"),  // English
    utf8 ("Sélection de langue"),  // French
    utf8 ("Sprachenwahl"),         // German
    utf8 ("Selección de idiomas"), // Spanish
    utf8 ("Scelta della lingua"),  // Italian
    utf8 ("Taalkeuze"),            // Dutch
    utf8 ("Выбор языка"),          // Russian
    utf8 ("Seleção do Idioma"),    // Portuguese
    utf8 ("语言选择"),             // Simplified Chinese
    utf8 ("語言選擇"),             // Traditional Chinese
    utf8 ("언어"),                 // Korean
    utf8 ("言語の選択"),           // Japanese
};

// 9: txtSelectLanguage
const juce::String kTxtSelectLanguage[kLanguageCount] = {
    utf8 ("Please select a language."),            // English
    utf8 ("Veuillez sélectionner une langue."),    // French
    utf8 ("Bitte wählen Sie eine Sprache."),       // German
    utf8 ("Seleccione un idioma."),                // Spanish
    utf8 ("Scegli una lingua."),                   // Italian
    utf8 ("Kies een taal a.u.b."),                 // Dutch
    utf8 ("Пожалуйста, выберите язык."),           // Russian
    utf8 ("Seleccione um idioma."),                // Portuguese
    utf8 ("请选择一种语言。"),                     // Simplified Chinese
    utf8 ("請選擇語言。"),                         // Traditional Chinese
    utf8 ("언어를 선택하십시오."),                 // Korean
    utf8 ("ご使用になる言語を選択してください。"), // Japanese
};

// 10: txtUpdateFileError
const juce::String kTxtUpdateFileError[kLanguageCount] = {
    utf8 ("There is an error in the update file."),                    // English
    utf8 ("Il y a une erreur dans le fichier de mise à jour."),        // French
    utf8 ("Es gibt einen Fehler in der Aktualisierungsdatei."),        // German
    utf8 ("Se ha producido un error en el archivo de actualización."), // Spanish
    utf8 ("Si è verificato un errore nel file di aggiornamento."),     // Italian
    utf8 ("Er is een fout in het updatebestand."),                     // Dutch
    utf8 ("Ошибка в файле обновления."),                               // Russian
    utf8 ("Houve um erro no arquivo de atualização."),                 // Portuguese
    utf8 ("更新文件出错。"),                                           // Simplified Chinese
    utf8 ("檔案更新時出現錯誤。"),                                     // Traditional Chinese
    utf8 ("업데이트 파일에 오류가 있습니다."),                         // Korean
    utf8 ("更新ファイルにエラーがあります。"),                         // Japanese
};

// 11: txtNotConnected
const juce::String kTxtNotConnected[kLanguageCount] = {
    utf8 ("Your %s is not connected."),       // English
    utf8 ("Votre %s n'est pas connecté."),    // French
    utf8 ("Ihr %s ist nicht angeschlossen."), // German
    utf8 ("Su %s no está conectado."),        // Spanish
    utf8 ("Il %s non è collegato."),          // Italian
    utf8 ("Uw %s is niet aangesloten."),      // Dutch
    utf8 ("Устройство %s не подсоединено."),  // Russian
    utf8 ("Seu %s não está conectado."),      // Portuguese
    utf8 ("没有连接 %s。"),                   // Simplified Chinese
    utf8 ("未連接 %s。"),                     // Traditional Chinese
    utf8 ("%s가 연결되어 있지 않습니다."),    // Korean
    utf8 ("%sが接続されていません。"),        // Japanese
};

// 12: txtUpdatesVersion
const juce::String kTxtUpdatesVersion[kLanguageCount] = {
    utf8 ("Updates the version of your %s firmware."),                         // English
    utf8 ("Met à jour la version du microprogramme de %s."),                   // French
    utf8 ("Aktualisiert die Version Ihrer %s Firmware."),                      // German
    utf8 ("Actualiza la versión del firmware del %s."),                        // Spanish
    utf8 ("Aggiorna la versione del firmware del %s."),                        // Italian
    utf8 ("Werkt uw %s firmware bij."),                                        // Dutch
    utf8 ("Обновляет версию Вашего встроенного программного обеспечения %s."), // Russian
    utf8 ("Atualizar a versão do firmware do %s."),                            // Portuguese
    utf8 ("升级您的%s固件版本。"),                                             // Simplified Chinese
    utf8 ("更新%s韌體的版本。"),                                               // Traditional Chinese
    utf8 ("%s의 펌웨어 버전을 업데이트 합니다."),                              // Korean
    utf8 ("%sファームウェアのバージョンアップを行います。"),                   // Japanese
};

// 13: txtCurrentVersion
const juce::String kTxtCurrentVersion[kLanguageCount] = {
    utf8 ("Current Version: Ver. %s.%02s"),            // English
    utf8 ("Version actuelle: Ver. %s.%02s"),           // French
    utf8 ("Gegenwärtige Version: Ver. %s.%02s"),       // German
    utf8 ("Versión actual: Ver. %s.%02s"),             // Spanish
    utf8 ("Versione attualmente installata: %s.%02s"), // Italian
    utf8 ("Huidige versie: Ver. %s.%02s"),             // Dutch
    utf8 ("Настоящая версия: Версия %s.%02s"),         // Russian
    utf8 ("Versão actual: Ver. %s.%02s"),              // Portuguese
    utf8 ("当前版本: Ver. %s.%02s"),                   // Simplified Chinese
    utf8 ("目前版本: %s.%02s版"),                      // Traditional Chinese
    utf8 ("현재 버전: Ver. %s.%02s"),                  // Korean
    utf8 ("現在のバージョン: Ver%s.%02s"),             // Japanese
};

// 14: txtUpdateVersion
const juce::String kTxtUpdateVersion[kLanguageCount] = {
    utf8 ("Update Version: Ver. %s.%02s"),           // English
    utf8 ("Version de mise à jour: Ver. %s.%02s"),   // French
    utf8 ("Aktualisierte Version: Ver. %s.%02s"),    // German
    utf8 ("Versión de actualización: Ver. %s.%02s"), // Spanish
    utf8 ("Versione aggiornata: %s.%02s"),           // Italian
    utf8 ("Versie na de update: Ver. %s.%02s"),      // Dutch
    utf8 ("Обновленная версия: Версия %s.%02s"),     // Russian
    utf8 ("Actualizar versão: Ver. %s.%02s"),        // Portuguese
    utf8 ("升级版本: Ver. %s.%02s"),                 // Simplified Chinese
    utf8 ("更新版本: %s.%02s版"),                    // Traditional Chinese
    utf8 ("업데이트 버전: Ver. %s.%02s"),            // Korean
    utf8 ("更新バージョン: Ver%s.%02s"),             // Japanese
};

// 15: txtUpdating
const juce::String kTxtUpdating[kLanguageCount] = {
    utf8 ("Updating your %s firmware."),                                 // English
    utf8 ("Mise à jour du microprogramme de %s."),                       // French
    utf8 ("Ihre %s-Firmware wird aktualisiert."),                        // German
    utf8 ("Actualizando el firmware de su %s."),                         // Spanish
    utf8 ("Aggiornamento del firmware del %s in corso."),                // Italian
    utf8 ("De firmware van uw %swordt bijgewerkt."),                     // Dutch
    utf8 ("Обновление Вашего встроенного программного обеспечения %s."), // Russian
    utf8 ("Atualizando o firmware do seu% s."),                          // Portuguese
    utf8 ("升级您的%s固件。"),                                           // Simplified Chinese
    utf8 ("更新%s韌體。"),                                               // Traditional Chinese
    utf8 ("%s의 펌웨어 업데이트 하기."),                                 // Korean
    utf8 ("%sファームウェアのアップデートを実行中です。"),               // Japanese
};

// 16: txtPleaseWait
const juce::String kTxtPleaseWait[kLanguageCount] = {
    utf8 ("Please wait for a few moments until the update process is complete."),                          // English
    utf8 ("Veuillez patienter un instant jusqu'à ce que le processus de mise à jour se termine."),         // French
    utf8 ("Bitte warten Sie, bis die Aktualisierung abgeschlossen ist."),                                  // German
    utf8 ("Espere unos segundos hasta que el proceso de actualización haya finalizado."),                  // Spanish
    utf8 ("Si prega di attendere alcuni istanti sino a quando il processo di aggiornamento si completa."), // Italian
    utf8 ("Wacht even tot het updateproces voltooid is."),                                                 // Dutch
    utf8 ("Пожалуйста, немного подождите завершения процесса обновления."),                                // Russian
    utf8 ("A executar a actualização. Aguarde até a actualização estar concluída."),                       // Portuguese
    utf8 ("请稍候，等待更新过程完成。"),                                                                   // Simplified Chinese
    utf8 ("請等待片刻，直到更新程序完成。"),                                                               // Traditional Chinese
    utf8 ("업데이트가 끝나기까지 잠시만 기다리십시오."),                                                   // Korean
    utf8 ("アップデートが完了するまでしばらくお待ちください。"),                                           // Japanese
};

// 17: txtUpdateComplete
const juce::String kTxtUpdateComplete[kLanguageCount] = {
    utf8 ("The update of your version of the %s firmware is now complete."),              // English
    utf8 ("La mise à jour du microprogramme de %s est maintenant terminée."),             // French
    utf8 ("Die Aktualisierung der Version Ihrer %s Firmware ist jetzt abgeschlossen."),   // German
    utf8 ("La actualización de la versión del firmware del %s ha finalizado."),           // Spanish
    utf8 ("L'aggiornamento del %s è stato completato."),                                  // Italian
    utf8 ("Het bijwerken van de firmware van uw %s is nu gereed."),                       // Dutch
    utf8 ("Обновление версии Вашего встроенного программного обеспечения %s завершено."), // Russian
    utf8 ("A versão foi actualizada."),                                                   // Portuguese
    utf8 ("现在已完成%s固件的版本升级。"),                                                // Simplified Chinese
    utf8 ("現已完成%s韌體的版本更新作業。"),                                              // Traditional Chinese
    utf8 ("버전 업데이트 되었습니다."),                                                   // Korean
    utf8 ("%sファームウェアのアップデートが完了しました。"),                              // Japanese
};

// 18: txtUpdateFailed
const juce::String kTxtUpdateFailed[kLanguageCount] = {
    utf8 ("Failed to update the firmware."),                    // English
    utf8 ("Échec de la mise à jour du microprogramme."),        // French
    utf8 ("Die Firmware konnte nicht aktualisiert werden."),    // German
    utf8 ("Error al actualizar el firmware."),                  // Spanish
    utf8 ("Impossibile aggiornare il firmware."),               // Italian
    utf8 ("Het bijwerken van de firmware is mislukt."),         // Dutch
    utf8 ("Не удалось обновить микропрограммное обеспечение."), // Russian
    utf8 ("Falha ao atualizar o firmware."),                    // Portuguese
    utf8 ("固件更新失败。"),                                    // Simplified Chinese
    utf8 ("更新韌體時失敗。"),                                  // Traditional Chinese
    utf8 ("펌웨어를 업데이트하지 못했습니다."),                 // Korean
    utf8 ("ファームウェアのアップデートに失敗しました。"),      // Japanese
};

// 19: txtUnitUnavailable
const juce::String kTxtUnitUnavailable[kLanguageCount] = {
    utf8 ("This unit can't work temporarily."),                     // English
    utf8 ("Cette unité ne peut pas fonctionner temporairement."),   // French
    utf8 ("Dieses Gerät funktioniert vorübergehend nicht."),        // German
    utf8 ("Es posible que esta unidad no funcione temporalmente."), // Spanish
    utf8 ("L'unità è temporaneamente fuori uso."),                  // Italian
    utf8 ("Dit toestel kan tijdelijk niet werken."),                // Dutch
    utf8 ("Работа этого устройства временно невозможна."),          // Russian
    utf8 ("Esta unidade não pode funcionar temporariamente."),      // Portuguese
    utf8 ("此装置目前暂时无法运行。"),                              // Simplified Chinese
    utf8 ("此裝置暫時無法運作。"),                                  // Traditional Chinese
    utf8 ("본 기기는 일시적으로 작동되지 않습니다."),               // Korean
    utf8 ("一時的に製品が使用できない状態になっています。"),        // Japanese
};

// 20: txtTryProcedure
const juce::String kTxtTryProcedure[kLanguageCount] = {
    utf8 ("Please try the following procedure to start the firmware update again."),                           // English
    utf8 ("Veuillez essayer la procédure suivante pour démarrer à nouveau la mise à jour du microprogramme."), // French
    utf8 ("Führen Sie die folgenden Schritte durch, um die Firmware-Aktualisierung erneut zu starten."),       // German
    utf8 ("Intente el siguiente procedimiento para iniciar la actualización del firmware de nuevo."),          // Spanish
    utf8 ("Per avviare nuovamente l'aggiornamento del firmware, tentare la seguente procedura."),              // Italian
    utf8 ("Probeer de volgende procedure om de firmware-update opnieuw te starten."),                          // Dutch
    utf8 ("Выполните следующую процедуру, чтобы снова запустить обновление микропрограммного обеспечения."),   // Russian
    utf8 ("Experimente este procedimento para iniciar novamente a atualização do firmware."),                  // Portuguese
    utf8 ("请尝试通过以下步骤重新更新固件。"),                                                                 // Simplified Chinese
    utf8 ("請嘗試使用以下程序，再次重新開始韌體更新。"),                                                       // Traditional Chinese
    utf8 ("펌웨어 업데이트를 다시 시작하려면 다음 절차를 시도해 보십시오."),                                   // Korean
    utf8 ("アップデートを再度行うために、以下の手順を行ってください。"),                                       // Japanese
};

// 21: txtStep1Close
const juce::String kTxtStep1Close[kLanguageCount] = {
    utf8 ("1. Click the Close button to close the Update Program."),                                      // English
    utf8 ("1. Cliquez sur le bouton Fermer pour fermer le Programme Mise à jour."),                       // French
    utf8 ("1. Klicken Sie auf die Schließen-Schaltfläche, um das Aktualisierungsprogramm zu schließen."), // German
    utf8 ("1. Haga clic en el botón Cerrar para cerrar el programa de actualización."),                   // Spanish
    utf8 ("1. Fare clic sul pulsante Chiudi per chiudere il programma di aggiornamento."),                // Italian
    utf8 ("1. Klik op de Sluit-knop om het updateprogramma te sluiten."),                                 // Dutch
    utf8 ("1. Нажмите кнопку \"Закрыть\", чтобы закрыть \"Обновление программы\"."),                      // Russian
    utf8 ("1. Clique no botão Fechar para fechar o programa de atualização."),                            // Portuguese
    utf8 ("1、单击关闭按钮关闭更新程序。"),                                                               // Simplified Chinese
    utf8 ("1. 按一下「關閉」按鈕以關閉「更新程式」。"),                                                   // Traditional Chinese
    utf8 ("1. 닫기 버튼을 클릭하여 업데이트 프로그램을 닫으십시오."),                                     // Korean
    utf8 ("1. 終了ボタンをクリックして、アップデートプログラムを終了します。"),                           // Japanese
};

// 22: txtStep2Reconnect
const juce::String kTxtStep2Reconnect[kLanguageCount] = {
    utf8 ("2. Disconnect the USB cable from the unit and reconnect it."),            // English
    utf8 ("2. Déconnectez le câble USB de l'unité et reconnectez-le."),              // French
    utf8 ("2. Trennen Sie das USB-Kabel vom Gerät und schließen Sie es wieder an."), // German
    utf8 ("2. Desconecte el cable USB de la unidad y vuelva a conectarlo."),         // Spanish
    utf8 ("2. Scollegare il cavo USB dall'unità, quindi collegarlo nuovamente."),    // Italian
    utf8 ("2. Koppel de USB-kabel los van het toestel en sluit deze opnieuw aan."),  // Dutch
    utf8 ("2. Отключите кабель USB от устройства и подключите его заново."),         // Russian
    utf8 ("2. Desligue o cabo USB da unidade e volte a ligá-lo."),                   // Portuguese
    utf8 ("2、从装置上拔下USB电缆，然后重新连接。"),                                 // Simplified Chinese
    utf8 ("2. 請從裝置中斷連接 USB 纜線，並重新連接。"),                             // Traditional Chinese
    utf8 ("2. 기기에서 USB 케이블을 분리했다가 다시 연결하십시오."),                 // Korean
    utf8 ("2. USBケーブルを製品から抜いてから挿し直します。"),                       // Japanese
};

// 23: txtStep3UpdateAgain
const juce::String kTxtStep3UpdateAgain[kLanguageCount] = {
    utf8 ("3. Update the firmware again in one of the following ways:"),                             // English
    utf8 ("3. Mettez à nouveau à jour le microprogramme en suivant l'une des méthodes suivantes :"), // French
    utf8 ("3. Aktualisieren Sie die Firmware erneut auf eine der folgenden Arten:"),                 // German
    utf8 ("3. Actualice el firmware de nuevo de una de las siguientes maneras:"),                    // Spanish
    utf8 ("3. Aggiornare nuovamente il firmware utilizzando uno dei seguenti metodi:"),              // Italian
    utf8 ("3. Werk de firmware opnieuw bij op een van de volgende manieren:"),                       // Dutch
    utf8 ("3. Снова обновите микропрограммное обеспечение одним из следующих способов:"),            // Russian
    utf8 ("3. Atualize novamente o firmware com um destes processos:"),                              // Portuguese
    utf8 ("3、通过以下任一方式重新更新固件："),                                                      // Simplified Chinese
    utf8 ("3. 使用以下方式之一再次更新韌體："),                                                      // Traditional Chinese
    utf8 ("3. 다음 방법 중 하나로 펌웨어를 다시 업데이트하십시오."),                                 // Korean
    utf8 ("3. 以下のいずれかの方法で、アップデートを再実行します。"),                                // Japanese
};

// 24: txtIfDownloaded
const juce::String kTxtIfDownloaded[kLanguageCount] = {
    utf8 ("If you've downloaded the firmware update program from our support page,"),                               // English
    utf8 ("Si vous avez téléchargé le programme de mise à jour du microprogramme à partir de notre page d'aide,"),  // French
    utf8 ("Wenn Sie das Firmware-Aktualisierungsprogramm von einer unserer Support-Seiten heruntergeladen haben,"), // German
    utf8 ("Si ha descargado el programa de actualización del firmware de nuestra página de soporte,"),              // Spanish
    utf8 ("Se il programma di aggiornamento del firmware è stato scaricato dalla nostra pagina di supporto,"),      // Italian
    utf8 ("Als u het firmware-updateprogramma hebt gedownload van onze ondersteuningspagina,"),                     // Dutch
    utf8 ("Если вы загрузили программу обновления микропрограммного обеспечения со страницы поддержки,"),           // Russian
    utf8 ("Se transferiu o programa de atualização do firmware a partir da nossa página de suporte,"),              // Portuguese
    utf8 ("如果您已从我们的技术支持网站中下载了固件更新程序，"),                                                    // Simplified Chinese
    utf8 ("如果您從我們的支援頁面下載過韌體更新程式，"),                                                            // Traditional Chinese
    utf8 ("지원 페이지에서 펌웨어 업데이트 프로그램을 다운로드한 경우,"),                                           // Korean
    utf8 ("サポートページからアップデートプログラムをダウンロードした場合"),                                        // Japanese
};

// 25: txtDoubleClickProgram
const juce::String kTxtDoubleClickProgram[kLanguageCount] = {
    utf8 ("double-click the VQDTRM4_UpdateProgram.exe to start the firmware update."),                              // English
    utf8 ("double-cliquez sur VQDTRM4_UpdateProgram.exe pour démarrer la mise à jour du microprogramme."),          // French
    utf8 ("doppelklicken Sie auf die Datei VQDTRM4_UpdateProgram.exe, um die Firmware-Aktualisierung zu starten."), // German
    utf8 ("haga doble clic en VQDTRM4_UpdateProgram.exe para iniciar la actualización del firmware."),              // Spanish
    utf8 ("fare doppio clic su VQDTRM4_UpdateProgram.exe per avviare l'aggiornamento del firmware."),               // Italian
    utf8 ("dubbelklik op VQDTRM4_UpdateProgram.exe om de firmware-update te starten."),                             // Dutch
    utf8 ("дважды щелкните VQDTRM4_UpdateProgram.exe, чтобы начать обновление микропрограммного обеспечения."),     // Russian
    utf8 ("faça duplo clique em VQDTRM4_UpdateProgram.exe para iniciar a atualização do firmware."),                // Portuguese
    utf8 ("请双击VQDTRM4_UpdateProgram.exe开始更新固件。"),                                                         // Simplified Chinese
    utf8 ("請按兩下 VQDTRM4_UpdateProgram.exe 以開始韌體更新。"),                                                   // Traditional Chinese
    utf8 ("VQDTRM4_UpdateProgram.exe를 두 번 클릭하여 펌웨어 업데이트를 시작하십시오."),                            // Korean
    utf8 ("VQDTRM4_UpdateProgram.exeをダブルクリックします。"),                                                     // Japanese
};

// 26: txtDoubleClickPackage
const juce::String kTxtDoubleClickPackage[kLanguageCount] = {
    utf8 ("double-click the VQD-TRM4_vXXX to start the firmware update."),                              // English
    utf8 ("double-cliquez sur VQD-TRM4_vXXX pour démarrer la mise à jour du microprogramme."),          // French
    utf8 ("doppelklicken Sie auf die Datei VQD-TRM4_vXXX, um die Firmware-Aktualisierung zu starten."), // German
    utf8 ("haga doble clic en VQD-TRM4_vXXX para iniciar la actualización del firmware."),              // Spanish
    utf8 ("fare doppio clic su VQD-TRM4_vXXX per avviare l'aggiornamento del firmware."),               // Italian
    utf8 ("dubbelklik op VQD-TRM4_vXXX om de firmware-update te starten."),                             // Dutch
    utf8 ("дважды щелкните VQD-TRM4_vXXX, чтобы начать обновление микропрограммного обеспечения."),     // Russian
    utf8 ("faça duplo clique em VQD-TRM4_vXXX para iniciar a atualização do firmware."),                // Portuguese
    utf8 ("请双击VQD-TRM4_vXXX开始更新固件。"),                                                         // Simplified Chinese
    utf8 ("請按兩下 VQD-TRM4_vXXX 以開始韌體更新。"),                                                   // Traditional Chinese
    utf8 ("VQD-TRM4_vXXX를 두 번 클릭하여 펌웨어 업데이트를 시작하십시오."),                            // Korean
    utf8 ("VQD-TRM4_vXXXをダブルクリックします。"),                                                     // Japanese
};

// 27: txtIfViaApplication
const juce::String kTxtIfViaApplication[kLanguageCount] = {
    utf8 ("If you've tried to update the firmware via deckforge,"),                               // English
    utf8 ("Si vous essayez de mettre à jour le microprogramme par le biais de deckforge,"),       // French
    utf8 ("Wenn Sie versucht haben, die Firmware über deckforge zu aktualisieren,"),              // German
    utf8 ("Si ha intentado actualizar el firmware mediante deckforge,"),                          // Spanish
    utf8 ("Nel caso in cui si sia tentato di aggiornare il firmware via deckforge,"),             // Italian
    utf8 ("Als u heeft geprobeerd om de firmware via deckforge bij te werken,"),                  // Dutch
    utf8 ("Если вы выполняли попытку обновления микропрограммного обеспечения через deckforge,"), // Russian
    utf8 ("Se tentou atualizar o firmware através da deckforge,"),                                // Portuguese
    utf8 ("如果您已尝试通过deckforge更新固件，"),                                                 // Simplified Chinese
    utf8 ("如果您嘗試透過 deckforge 更新韌體，"),                                                 // Traditional Chinese
    utf8 ("deckforge를 통해 펌웨어 업데이트를 시도한 경우,"),                                     // Korean
    utf8 ("deckforgeからアップデートした場合"),                                                   // Japanese
};

// 28: txtRestartApplication
const juce::String kTxtRestartApplication[kLanguageCount] = {
    utf8 ("close deckforge and restart it again. Follow the instructions on the application to start the firmware update."),                               // English
    utf8 ("fermez et redémarrez deckforge. Suivez les instructions sur l'application pour démarrer la mise à jour du microprogramme."),                    // French
    utf8 ("schließen Sie deckforge und starten Sie es erneut. Befolgen Sie die Anweisungen in der Anwendung, um die Firmware-Aktualisierung zu starten."), // German
    utf8 ("cierre deckforge y vuelva a iniciarlo de nuevo. Siga las instrucciones de la aplicación para iniciar la actualización del firmware."),          // Spanish
    utf8 ("chiudere deckforge e riavviarlo nuovamente. Seguire le istruzioni sull'applicazione per avviare l'aggiornamento del firmware."),                // Italian
    utf8 ("sluit deckforge af en start het opnieuw op. Volg de instructies op de applicatie om de firmware-update te starten."),                           // Dutch
    utf8 ("закройте deckforge и снова перезапустите его. Выполните инструкции в приложении, чтобы запустить обновление микропрограммного обеспечения."),   // Russian
    utf8 ("feche a deckforge e volte a iniciá-la. Siga as instruções na aplicação para iniciar a atualização do firmware."),                               // Portuguese
    utf8 ("请先关闭deckforge，然后重新启动该应用程序。请按照应用程序中的说明开始更新固件。"),                                                              // Simplified Chinese
    utf8 ("請關閉 deckforge 後再次重新啟動。請依應用程式上的說明操作，以開始韌體更新程序。"),                                                              // Traditional Chinese
    utf8 ("deckforge를 닫고 다시 시작하십시오. 애플리케이션의 안내에 따라 펌웨어 업데이트를 시작하십시오."),                                               // Korean
    utf8 ("一度deckforgeを終了してから再起動し、deckforgeの表示に従ってアップデートプログラムを起動します。"),                                             // Japanese
};

const juce::String* const kTextTables[kTextCount] = {
    kTxtEmpty,
    kTxtSeriesName,
    kTxtModelName,
    kTxtTitle,
    kTxtOk,
    kTxtStart,
    kTxtCancel,
    kTxtClose,
    kTxtLanguageSelections,
    kTxtSelectLanguage,
    kTxtUpdateFileError,
    kTxtNotConnected,
    kTxtUpdatesVersion,
    kTxtCurrentVersion,
    kTxtUpdateVersion,
    kTxtUpdating,
    kTxtPleaseWait,
    kTxtUpdateComplete,
    kTxtUpdateFailed,
    kTxtUnitUnavailable,
    kTxtTryProcedure,
    kTxtStep1Close,
    kTxtStep2Reconnect,
    kTxtStep3UpdateAgain,
    kTxtIfDownloaded,
    kTxtDoubleClickProgram,
    kTxtDoubleClickPackage,
    kTxtIfViaApplication,
    kTxtRestartApplication
};
