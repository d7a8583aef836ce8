window.loaded = true;
