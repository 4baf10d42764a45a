#include "error_text.h"

#include <cerrno>

namespace vortlen {

std::string errorText(int code) {
  switch (code) {
    case ENOENT:
      return "файл или папка не найдены";
    case EACCES:
    case EPERM:
      return "нет прав доступа";
    case ENOSPC:
      return "на диске нет места";
#ifdef EDQUOT
    case EDQUOT:
      return "исчерпана квота на диске";
#endif
    case EROFS:
      return "диск доступен только для чтения";
    case EISDIR:
      return "это папка, а не файл";
    case ENOTDIR:
      return "часть пути не является папкой";
    case EEXIST:
      return "файл уже существует";
    case ENAMETOOLONG:
      return "слишком длинное имя файла";
    case EFBIG:
      return "файл слишком велик";
    case EMFILE:
    case ENFILE:
      return "открыто слишком много файлов";
#ifdef ELOOP
    case ELOOP:
      return "путь ведёт через символическую ссылку";
#endif
    case ENODEV:
    case ENXIO:
      return "устройство не найдено";
    case EBUSY:
      return "устройство или файл заняты";
    case EINVAL:
      return "недопустимое имя или параметр";
    case ENOMEM:
      return "не хватает памяти";
    case EIO:
      return "ошибка ввода-вывода (диск или носитель неисправен или извлечён)";
    default:
      return "системная ошибка " + std::to_string(code);
  }
}

}  // namespace vortlen
