// Netscape User Preferences
user_pref("browser.cache.directory", "C:\\Program Files\\Netscape\\Users\\demo\\Cache");
user_pref("browser.cache.disk_cache_size", 7680);
