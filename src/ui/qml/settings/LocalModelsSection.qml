pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Hushnote.Ui

// "本地模型": Whisper for transcription and Ollama for summaries, both on this computer.
SectionPage {
    id: page
    objectName: "localModelsPage"
    required property QtObject downloads
    title: Strings.t("本地模型")
    subtitle: Strings.t("在本机完成音频转写与纪要整理。")

    WhisperCard { downloads: page.downloads }
    OllamaCard {}
    QueueSettingsCard {}
}
