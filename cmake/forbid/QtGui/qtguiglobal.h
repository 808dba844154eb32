#error "Core code must not include Qt Gui headers: move this file into a ui/ folder."
