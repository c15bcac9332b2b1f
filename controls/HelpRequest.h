// How a dialog asks for help (F1 or its Help button): the topic goes to the program's main window as
// UM_SHOW_HELP, which opens it; when no main window takes it (a dialog without owner, or an owner that
// shows no help), the topic is opened directly, so help never falls silent.
#pragma once

class QWidget;

void RequestHelpTopic(QWidget* from, int contextId);
