#pragma once

class QTranslator;

// Qt's own texts in Dutch: the file dialog's labels and buttons, the buttons
// of the message boxes. Installs Qt's Dutch translation in the application,
// which owns the translator returned; nullptr when the translation is not
// installed on this system, and Qt's texts stay English.
QTranslator* InstallDutchQtTexts();
