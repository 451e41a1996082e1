#pragma once

// The program's style sheet (title bars, buttons, lists), applied to the
// whole application. Every program of the notebook that shows the program's
// dialogs applies it: without it a title bar's buttons have no pictures.
// Nothing happens when the resource cannot be opened.
void applyProgramStyle();
