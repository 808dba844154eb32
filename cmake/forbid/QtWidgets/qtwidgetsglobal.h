#error "Core code must not include Qt Widgets headers: move this file into a ui/ folder."
