// An index rebuilt from a mailbox's own records, for an Outlook Express 4 or Internet Mail and
// News mailbox (.mbx) whose index (.idx) is lost, empty or does not agree with it. Both
// generations share the mailbox layout; their index records differ after the common head.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orvex::escritura {

// One message record of a .mbx file.
struct RegistroBuzon {
  uint32_t pos = 0;   // offset of the record's head
  uint32_t tam = 0;   // the whole record, head and fill included
  uint32_t id = 0;
  std::string texto;
};

// The records of a mailbox in file order, walked from the header on. The walk stops at the
// first head that does not hold (size below the head or not a multiple of 4, past the end of the
// file, text longer than the record); *fin, when given, gets where it stopped (the file's size
// when every byte belongs to a record). Empty when the file has no mailbox signature.
std::vector<RegistroBuzon> RegistrosBuzon(const std::vector<uint8_t>& mbx, std::size_t* fin = nullptr);

// True when idx is an index of mbx: its signature, and records that each name a record of the
// mailbox (at its offset, with its id and size). An index without records agrees only with a
// mailbox without records.
bool IndiceConcuerda(const std::vector<uint8_t>& idx, const std::vector<uint8_t>& mbx);

// The generation whose index record layout the first record of idx follows: 4 (Outlook Express
// 4) or 1 (Internet Mail and News); 0 when neither fits or the index has no record.
uint32_t GeneracionIndice(const std::vector<uint8_t>& idx);

// An index of the generation (4 or 1) for every record of mbx, with the subject, the sender and
// the date taken from each message's own header.
std::vector<uint8_t> IndiceDeBuzon(uint32_t version, const std::vector<uint8_t>& mbx);

// The value of a header of a message text (unfolded; the first one wins), "" without it.
std::string CabeceraTexto(const std::string& texto, const std::string& nombre);
// A FILETIME for an RFC 5322 date ("Mon, 5 Mar 2001 13:07:00 +0100"); 0 when it cannot be read.
uint64_t FileTimeDeFecha(const std::string& fecha);

}  // namespace orvex::escritura
