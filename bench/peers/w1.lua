-- W1 integer loop
local function main(n)
  local s = 0
  local i = 0
  while i < n do
    i = i + 1
    s = s + i
    if s > 999999999 then s = s - 1000000000 end
  end
  print(s)
end
main(math.tointeger(tonumber(arg[1])))
