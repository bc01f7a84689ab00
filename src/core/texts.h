// Every text the user of Setup.exe and Uninst.exe can read, in one place and exactly as shown.
// "\r" starts a new line in a message; "%s" is replaced, in order, by format_text().
#pragma once

namespace texts {

// Application titles: also the caption of the error box.
inline constexpr char setup_title[] = "Marbelo Orbit Setup";
inline constexpr char uninstall_title[] = "Marbelo Orbit Uninstall";

// The program recognises its uninstaller role by this file name (ASCII case ignored).
inline constexpr char uninstaller_name[] = "Uninst.exe";
inline constexpr char setup_data_name[] = "Setup.dat";
inline constexpr char uninstall_log_name[] = "Uninst.dat";
// Files of the installed product that the shortcuts and the last page refer to.
inline constexpr char program_file[] = "Mo.exe";
inline constexpr char help_file[] = "Mo.hlp";
inline constexpr char readme_file[] = "Readme.txt";

// Captions of the message dialog, by kind: warning, error, information, confirmation.
inline constexpr char caption_warning[] = "Warning";
inline constexpr char caption_error[] = "Error";
inline constexpr char caption_information[] = "Information";
inline constexpr char caption_confirm[] = "Confirm";

// Buttons of the message dialog.
inline constexpr char button_yes[] = "&Yes";
inline constexpr char button_no[] = "&No";
inline constexpr char button_ok[] = "OK";
// Rows of the button set that no message of the program shows.
inline constexpr char button_abort[] = "&Abort";
inline constexpr char button_retry[] = "&Retry";
inline constexpr char button_ignore[] = "&Ignore";
inline constexpr char button_all[] = "&All";
inline constexpr char button_help[] = "&Help";

// Messages, in the order a run meets them.
inline constexpr char missing_file[] =
    "Marbelo Orbit Setup cannot find the required file '%s'.\rMake sure it exists in the proper "
    "directory and try again.";
inline constexpr char confirm_cancel[] =
    "Marbelo Orbit has not been fully installed yet.\rAre you sure you want to cancel Marbelo "
    "Orbit Setup?";
inline constexpr char invalid_folder[] =
    "Could not create the folder '%s'.\rPlease specify a valid name.";
inline constexpr char folder_exists[] =
    "The destination folder already exists. If you proceed, \rexisting files in this folder may "
    "be overwritten.\r\rDo you want to proceed?";
inline constexpr char create_folder_failed[] = "Could not create the directory '%s'.";
inline constexpr char create_file_failed[] = "Could not create the file '%s'.";
inline constexpr char copy_file_failed[] = "Error copying the file '%s' to '%s'.";
inline constexpr char data_read_failed[] =
    "Error reading from compressed data file.\rTry downloading Marbelo Orbit again.";
inline constexpr char confirm_uninstall[] =
    "Are you sure you want to completely remove %s\rand all of its components?";
inline constexpr char uninstall_done[] = "Uninstallation successfully completed.";
inline constexpr char uninstall_partly_done[] =
    "Uninstallation successfully completed.\r\rSome items could not be removed. You should "
    "manually \rremove items related to Marbelo Orbit.";
inline constexpr char uninstall_log_unreadable[] = "Could not read the uninstall log file.";

// Failure texts of the file, stream and registry layers; the error box appends a full stop.
inline constexpr char cannot_open_file[] = "Cannot open file %s";
inline constexpr char cannot_create_file[] = "Cannot create file %s";
inline constexpr char stream_read_error[] = "Stream read error";
inline constexpr char stream_write_error[] = "Stream write error";
inline constexpr char could_not_open[] = "Could not open '%s'";
inline constexpr char registry_set_failed[] = "Failed to set data for '%s'";
inline constexpr char registry_get_failed[] = "Failed to get data for '%s'";
inline constexpr char registry_bad_type[] = "Invalid data type for '%s'";

// Status line of the Copy page.
inline constexpr char status_preparing[] = "Preparing installation...";
inline constexpr char status_decompressing[] = "Decompressing %s ...";
inline constexpr char status_copying[] = "Copying %s ...";
inline constexpr char status_shortcuts[] = "Creating shortcuts...";

// Names of the shortcuts as the Start menu and the desktop show them. The three Start-menu
// link names carry their leading "\": they are appended to the folder path as they stand.
inline constexpr char start_menu_folder_name[] = "Marbelo Orbit";
inline constexpr char program_link_name[] = "\\Marbelo Orbit 2.0.lnk";
inline constexpr char help_link_name[] = "\\Marbelo Orbit Help.lnk";
inline constexpr char readme_link_name[] = "\\Read Me.lnk";
inline constexpr char desktop_link_name[] = "Marbelo Orbit 2.0.lnk";

// Wizard window.
inline constexpr char button_back[] = "< &Back";
inline constexpr char button_next[] = "&Next >";
inline constexpr char button_cancel[] = "Cancel";
inline constexpr char button_install[] = "&Install";
inline constexpr char button_finish[] = "&Finish";
inline constexpr char button_browse[] = "&Browse...";

inline constexpr char welcome_heading[] = "Welcome to Marbelo Orbit Setup!";
inline constexpr char welcome_before_name[] = "This program will install ";
inline constexpr char welcome_after_name[] = " on your computer.";
inline constexpr char welcome_advice[] =
    "If you have an old version of Marbelo Orbit 2 installed, you must either install this "
    "version on top of the old version, or uninstall the old version first.";
inline constexpr char welcome_step[] =
    "Click the Next button to continue, or click Cancel to exit.";

inline constexpr char license_heading[] = "License Agreement";
inline constexpr char license_step[] =
    "Do you accept this license agreement? If you choose No, Setup will close.";

inline constexpr char dest_heading[] = "Destination Folder";
inline constexpr char dest_description[] =
    "Setup needs to know where to install Marbelo Orbit. Please type a folder below, or use the "
    "Browse button to choose a folder.";
inline constexpr char dest_step[] = "If you are unsure, just click Next.";
inline constexpr char dest_folder_label[] = "Destination &Folder:";
inline constexpr char browse_title[] =
    "This is the directory in which Marbelo Orbit will be installed:";
inline constexpr char default_folder_name[] = "Marbelo Orbit";
inline constexpr char fallback_program_files[] = "C:\\";

inline constexpr char icon_heading[] = "Start Menu and Desktop Shortcuts";
inline constexpr char icon_folder_question[] =
    "Do you want Setup to create a new folder in the Start Menu with shortcuts for Marbelo Orbit?";
inline constexpr char icon_folder_check[] = "Create a folder in the &Start Menu";
inline constexpr char icon_shortcut_question[] =
    "Do you want Setup to create a shortcut to Marbelo Orbit on the desktop?";
inline constexpr char icon_shortcut_check[] = "Create a shortcut on the &desktop";
inline constexpr char icon_step[] = "Click Install to start copying files.";

inline constexpr char copy_heading[] = "Copying Files";
inline constexpr char copy_description[] = "Setup is now copying files to your computer.";

inline constexpr char ready_heading[] = "Installation Finished";
inline constexpr char ready_description[] =
    "Marbelo Orbit has been installed successfully. You can start Marbelo Orbit by "
    "double-clicking the icon on your desktop. Please read the README.TXT file before starting "
    "Marbelo Orbit.";
// The last page after a run that an error stopped: the error box before it named the cause.
inline constexpr char ready_failed_heading[] = "Installation Not Completed";
inline constexpr char ready_failed_description[] =
    "Marbelo Orbit has not been installed completely. The message before this page named what "
    "failed. Please correct it and run Setup again.";
inline constexpr char ready_readme_question[] = "Do you want to view README.TXT now?";
inline constexpr char ready_readme_check[] = "Show &README.TXT";
inline constexpr char ready_start_question[] = "Do you want to start Marbelo Orbit now?";
inline constexpr char ready_start_check[] = "&Start Marbelo Orbit";

}  // namespace texts
