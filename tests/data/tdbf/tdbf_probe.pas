{ A second, independent dBase engine for the interoperability tests.
  tdbf_probe write DIR LEVEL  - writes table TDBF<LEVEL> with known records
  tdbf_probe walk DIR TABLE TAG FIELD - prints FIELD of every record in TAG order
  tdbf_probe dump DIR TABLE   - prints ID|NAME|DAY|AMOUNT|NOTE in file order
  tdbf_probe seq DIR TABLE    - appends one record, then prints SEQ (the level 7
                                autoincrement field) of every record in file order
  tdbf_probe agenda DIR [TAG EXPR] - writes an appointment table AGENDA at level 4
                                with tags on key expressions (and one more given) }
program tdbf_probe;

{$mode objfpc}{$H+}

uses SysUtils, DB, dbf;

function OpenTable(const Dir, Name: string): TDbf;
begin
  Result := TDbf.Create(nil);
  Result.FilePathFull := Dir;
  Result.TableName := Name;
  Result.ReadOnly := True;
  Result.ShowDeleted := False;
  Result.Open;
end;

function NewTable(const Dir, Name: string; Level: Integer): TDbf;
begin
  Result := TDbf.Create(nil);
  Result.FilePathFull := Dir;
  Result.TableName := Name;
  Result.TableLevel := Level;
end;

{ One record deleted: the readers must not see it. }
procedure DeleteSecondAndFree(T: TDbf);
begin
  T.First;
  T.Next;
  T.Delete;
  T.Close;
  T.Free;
end;

procedure WriteTable(const Dir: string; Level: Integer);
var
  T: TDbf;
  I: Integer;
begin
  T := NewTable(Dir, 'TDBF' + IntToStr(Level) + '.DBF', Level);
  T.FieldDefs.Add('ID', ftInteger);
  T.FieldDefs.Add('NAME', ftString, 20);
  T.FieldDefs.Add('DAY', ftDate);
  T.FieldDefs.Add('AMOUNT', ftFloat);
  T.FieldDefs.Add('NOTE', ftMemo);
  if Level = 7 then
    T.FieldDefs.Add('SEQ', ftAutoInc);
  T.CreateTable;
  T.Exclusive := True;
  T.Open;
  if Level >= 4 then
  begin
    T.AddIndex('ID', 'ID', [ixUnique]);
    T.AddIndex('NAME', 'NAME', []);
  end;
  for I := 1 to 300 do
  begin
    T.Append;
    T.FieldByName('ID').AsInteger := (I * 37) mod 301 + 1;
    T.FieldByName('NAME').AsString := 'Name ' + IntToStr((I * 53) mod 97);
    T.FieldByName('DAY').AsDateTime := EncodeDate(2004, 1, 1) + (I * 13) mod 200;
    T.FieldByName('AMOUNT').AsFloat := I * 1.25 - 100;
    if I mod 3 <> 0 then
      T.FieldByName('NOTE').AsString := 'Note ' + IntToStr(I) + StringOfChar('x', I mod 50);
    T.Post;
  end;
  DeleteSecondAndFree(T);
end;

procedure WriteAgenda(const Dir, ExtraTag, ExtraExpr: string);
var
  T: TDbf;
  I: Integer;
begin
  T := NewTable(Dir, 'AGENDA.DBF', 4);
  T.FieldDefs.Add('ID', ftFloat);
  T.FieldDefs.Add('FECHA_INI', ftDate);
  T.FieldDefs.Add('FECHA_FIN', ftDate);
  T.FieldDefs.Add('HORA_INI', ftString, 5);
  T.FieldDefs.Add('HORA_FIN', ftString, 5);
  T.FieldDefs.Add('ASUNTO', ftString, 200);
  T.FieldDefs.Add('LUGAR', ftString, 200);
  T.FieldDefs.Add('NOTAS', ftMemo);
  T.FieldDefs.Add('AVISO', ftFloat);
  T.FieldDefs.Add('TIPO', ftFloat);
  T.FieldDefs.Add('F_AVISO', ftDate);
  T.FieldDefs.Add('H_AVISO', ftString, 5);
  T.CreateTable;
  T.Exclusive := True;
  T.Open;
  T.AddIndex('ID', 'ID', [ixUnique]);
  T.AddIndex('FECHA_INI', 'DTOS(FECHA_INI)', [ixExpression]);
  T.AddIndex('ASUNTO', 'SUBSTR(ASUNTO,1,40)', [ixExpression]);
  T.AddIndex('DIAHORA', 'DTOS(FECHA_INI)+HORA_INI', [ixExpression]);
  T.AddIndex('IDTEXTO', 'STR(ID,10)', [ixExpression]);
  if ExtraTag <> '' then
    T.AddIndex(ExtraTag, ExtraExpr, [ixExpression]);
  for I := 1 to 150 do
  begin
    T.Append;
    T.FieldByName('ID').AsInteger := (I * 37) mod 151 + 1;
    T.FieldByName('FECHA_INI').AsDateTime := EncodeDate(2004, 1, 1) + (I * 13) mod 90;
    T.FieldByName('FECHA_FIN').AsDateTime := EncodeDate(2004, 1, 1) + (I * 13) mod 90;
    T.FieldByName('HORA_INI').AsString := Format('%.2d:%.2d', [(I * 7) mod 24, (I * 11) mod 60]);
    T.FieldByName('ASUNTO').AsString := 'Asunto ' + IntToStr((I * 53) mod 97) + StringOfChar('x', I mod 60);
    if I mod 4 = 0 then
      T.FieldByName('NOTAS').AsString := 'Nota ' + IntToStr(I);
    T.Post;
  end;
  DeleteSecondAndFree(T);
end;

procedure Walk(const Dir, Name, Tag, Field: string);
var
  T: TDbf;
begin
  T := OpenTable(Dir, Name);
  T.IndexName := Tag;
  T.First;
  while not T.EOF do
  begin
    WriteLn(T.FieldByName(Field).AsString);
    T.Next;
  end;
  T.Free;
end;

procedure Dump(const Dir, Name: string);
var
  T: TDbf;
begin
  T := OpenTable(Dir, Name);
  T.First;
  while not T.EOF do
  begin
    WriteLn(T.FieldByName('ID').AsString, '|', T.FieldByName('NAME').AsString, '|',
        FormatDateTime('yyyy-mm-dd', T.FieldByName('DAY').AsDateTime), '|',
        FloatToStr(T.FieldByName('AMOUNT').AsFloat), '|', T.FieldByName('NOTE').AsString);
    T.Next;
  end;
  T.Free;
end;

procedure Seq(const Dir, Name: string);
var
  T: TDbf;
begin
  T := TDbf.Create(nil);
  T.FilePathFull := Dir;
  T.TableName := Name;
  T.ShowDeleted := False;
  T.Exclusive := True;
  T.Open;
  T.Append;
  T.FieldByName('ID').AsInteger := 5000;
  T.FieldByName('NAME').AsString := 'TDbf';
  T.Post;
  T.First;
  while not T.EOF do
  begin
    WriteLn(T.FieldByName('SEQ').AsString);
    T.Next;
  end;
  T.Free;
end;

begin
  DefaultFormatSettings.DecimalSeparator := '.';
  if ParamStr(1) = 'write' then
    WriteTable(IncludeTrailingPathDelimiter(ParamStr(2)), StrToInt(ParamStr(3)))
  else if ParamStr(1) = 'walk' then
    Walk(IncludeTrailingPathDelimiter(ParamStr(2)), ParamStr(3), ParamStr(4), ParamStr(5))
  else if ParamStr(1) = 'dump' then
    Dump(IncludeTrailingPathDelimiter(ParamStr(2)), ParamStr(3))
  else if ParamStr(1) = 'agenda' then
    WriteAgenda(IncludeTrailingPathDelimiter(ParamStr(2)), ParamStr(3), ParamStr(4))
  else if ParamStr(1) = 'seq' then
    Seq(IncludeTrailingPathDelimiter(ParamStr(2)), ParamStr(3))
  else
    Halt(1);
end.
